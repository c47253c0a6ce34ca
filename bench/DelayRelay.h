#pragma once

// A TCP relay on 127.0.0.1 that holds every piece of data a fixed time each way, as a server a
// building away does, and counts the round trips that pass through it: a round trip is the
// client speaking again after the server has answered.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class DelayRelay
{
public:
    DelayRelay(int targetPort, int delayMs) : m_target(targetPort), m_delay(delayMs)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listen, 64);
        socklen_t length = sizeof address;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { accept(); });
    }
    ~DelayRelay()
    {
        m_stop = true;
        ::shutdown(m_listen, SHUT_RDWR);
        ::close(m_listen);
        m_acceptor.join();
        for (std::thread& t : m_pipes)
            t.join();
    }

    int port() const { return m_port; }
    long roundTrips() const { return m_roundTrips; }
    // Those of the connection accepted last alone: a goodbye on an older one is not counted.
    long newestRoundTrips() const { return m_newestTrips; }
    void resetCount() { m_roundTrips = 0; }

private:
    using Clock = std::chrono::steady_clock;
    struct Piece
    {
        Clock::time_point due;
        std::string bytes;
    };

    void accept()
    {
        for (;;) {
            const int client = ::accept(m_listen, nullptr, nullptr);
            if (client < 0 || m_stop)
                return;
            const int server = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(m_target);
            if (::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
                ::close(client);
                ::close(server);
                continue;
            }
            const long id = ++m_connections;
            m_newestTrips = 0;
            m_pipes.emplace_back([this, client, server, id] { pipe(client, server, id); });
        }
    }

    // Both directions of one connection, each piece delivered when its delay has passed.
    void pipe(int client, int server, long id)
    {
        std::deque<Piece> toServer, toClient;
        bool answered = true; // the first words of the client start a round trip
        char buffer[65536];
        for (;;) {
            pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            int wait = 50;
            const auto now = Clock::now();
            for (const std::deque<Piece>* q : {&toServer, &toClient}) {
                if (!q->empty())
                    wait = std::max(0, int(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               q->front().due - now)
                                               .count()));
            }
            ::poll(fds, 2, wait);
            if (m_stop)
                break;
            const auto due = Clock::now() + std::chrono::milliseconds(m_delay);
            if (fds[0].revents & (POLLIN | POLLHUP)) {
                const ssize_t n = ::read(client, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                if (answered) {
                    ++m_roundTrips;
                    if (id == m_connections)
                        ++m_newestTrips;
                }
                answered = false;
                toServer.push_back({due, std::string(buffer, size_t(n))});
            }
            if (fds[1].revents & (POLLIN | POLLHUP)) {
                const ssize_t n = ::read(server, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                answered = true;
                toClient.push_back({due, std::string(buffer, size_t(n))});
            }
            deliver(&toServer, server);
            deliver(&toClient, client);
        }
        ::close(client);
        ::close(server);
    }

    static void deliver(std::deque<Piece>* queue, int to)
    {
        while (!queue->empty() && queue->front().due <= Clock::now()) {
            const std::string& bytes = queue->front().bytes;
            for (size_t sent = 0; sent < bytes.size();) {
                const ssize_t n = ::write(to, bytes.data() + sent, bytes.size() - sent);
                if (n <= 0)
                    return;
                sent += size_t(n);
            }
            queue->pop_front();
        }
    }

    int m_target;
    int m_delay;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_roundTrips{0};
    std::atomic<long> m_connections{0};
    std::atomic<long> m_newestTrips{0};
    std::thread m_acceptor;
    std::vector<std::thread> m_pipes;
};
