// A minimal X session manager (XSMP over ICE) for tests. It prints its network address, then
// "registered" when a client registers, "saved" when the client has finished a session save and
// "closed" when it leaves. Lines on standard input ask the client: "save" (a session save of
// both kinds, which Qt reports as commitDataRequest and saveStateRequest; not an end) or "die"
// (the end of the session).
#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace {

SmsConn client = nullptr;
std::vector<IceConn> connections;

void say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

Status registerClient(SmsConn conn, SmPointer, char*)
{
    SmsRegisterClientReply(conn, SmsGenerateClientID(conn));
    client = conn;
    say("registered");
    return 1;
}

void interactRequest(SmsConn conn, SmPointer, int)
{
    SmsInteract(conn);
}

void interactDone(SmsConn, SmPointer, Bool) {}
void saveYourselfRequest(SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}

void saveYourselfPhase2Request(SmsConn conn, SmPointer)
{
    SmsSaveYourselfPhase2(conn);
}

void saveYourselfDone(SmsConn conn, SmPointer, Bool)
{
    SmsSaveComplete(conn);
    say("saved");
}

void closeConnection(SmsConn conn, SmPointer, int count, char** reasons)
{
    SmFreeReasons(count, reasons);
    SmsCleanUp(conn);
    if (conn == client)
        client = nullptr;
    say("closed");
}

void setProperties(SmsConn, SmPointer, int count, SmProp** properties)
{
    for (int i = 0; i < count; ++i)
        SmFreeProperty(properties[i]);
    std::free(properties);
}

void deleteProperties(SmsConn, SmPointer, int count, char** names)
{
    for (int i = 0; i < count; ++i)
        std::free(names[i]);
    std::free(names);
}

void getProperties(SmsConn conn, SmPointer)
{
    SmsReturnProperties(conn, 0, nullptr);
}

Status newClient(SmsConn, SmPointer, unsigned long* mask, SmsCallbacks* callbacks, char**)
{
    std::memset(callbacks, 0, sizeof *callbacks);
    callbacks->register_client.callback = registerClient;
    callbacks->interact_request.callback = interactRequest;
    callbacks->interact_done.callback = interactDone;
    callbacks->save_yourself_request.callback = saveYourselfRequest;
    callbacks->save_yourself_phase2_request.callback = saveYourselfPhase2Request;
    callbacks->save_yourself_done.callback = saveYourselfDone;
    callbacks->close_connection.callback = closeConnection;
    callbacks->set_properties.callback = setProperties;
    callbacks->delete_properties.callback = deleteProperties;
    callbacks->get_properties.callback = getProperties;
    *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
            SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask |
            SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask | SmsSetPropertiesProcMask |
            SmsDeletePropertiesProcMask | SmsGetPropertiesProcMask;
    return 1;
}

// Any local client may connect: the test's own.
Bool acceptAnyHost(char*)
{
    return True;
}

void command(const char* line)
{
    if (!client)
        return;
    if (std::strncmp(line, "save", 4) == 0)
        SmsSaveYourself(client, SmSaveBoth, False, SmInteractStyleNone, False);
    else if (std::strncmp(line, "die", 3) == 0)
        SmsDie(client);
    IceFlush(SmsGetIceConnection(client));
}

} // namespace

int main()
{
    char error[256];
    if (!SmsInitialize("Horodex tests", "1.0", newClient, nullptr, acceptAnyHost, sizeof error,
                       error)) {
        std::fprintf(stderr, "SmsInitialize: %s\n", error);
        return 1;
    }
    int listenCount = 0;
    IceListenObj* listeners = nullptr;
    if (!IceListenForConnections(&listenCount, &listeners, sizeof error, error)) {
        std::fprintf(stderr, "IceListenForConnections: %s\n", error);
        return 1;
    }
    for (int i = 0; i < listenCount; ++i)
        IceSetHostBasedAuthProc(listeners[i], acceptAnyHost);
    char* address = IceComposeNetworkIdList(listenCount, listeners);
    say(address);
    std::free(address);

    for (;;) {
        std::vector<pollfd> fds{{STDIN_FILENO, POLLIN, 0}};
        for (int i = 0; i < listenCount; ++i)
            fds.push_back({IceGetListenConnectionNumber(listeners[i]), POLLIN, 0});
        for (IceConn conn : connections)
            fds.push_back({IceConnectionNumber(conn), POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0)
            return 1;
        if (fds[0].revents) {
            char line[64] = {};
            if (!std::fgets(line, sizeof line, stdin)) {
                IceFreeListenObjs(listenCount, listeners); // the test has ended
                return 0;
            }
            command(line);
        }
        for (int i = 0; i < listenCount; ++i) {
            if (!fds[1 + i].revents)
                continue;
            IceAcceptStatus status;
            IceConn conn = IceAcceptConnection(listeners[i], &status);
            if (!conn)
                continue;
            while (IceConnectionStatus(conn) == IceConnectPending)
                IceProcessMessages(conn, nullptr, nullptr);
            if (IceConnectionStatus(conn) == IceConnectAccepted)
                connections.push_back(conn);
            else
                IceCloseConnection(conn);
        }
        const size_t first = 1 + size_t(listenCount);
        std::vector<IceConn> open;
        for (size_t i = 0; i < connections.size(); ++i) {
            if (fds[first + i].revents &&
                IceProcessMessages(connections[i], nullptr, nullptr) == IceProcessMessagesIOError) {
                IceSetShutdownNegotiation(connections[i], False);
                IceCloseConnection(connections[i]);
                continue;
            }
            open.push_back(connections[i]);
        }
        connections = open;
    }
}
