#include "app/StationWiring.h"

#include "data/CorrectionLog.h"
#include "station/frmHorodex.h"
#include "sync/StationLink.h"

namespace {

StationRole RoleOf(StationLink& link)
{
    const StationConfig& config = link.config();
    const SyncStatus status = link.status();
    StationRole role;
    role.caption = StationCaptionText(status);
    role.about = StationStatusText(config, status);
    if (!config.isHead()) {
        role.managedAtHead = ManagedAtHeadText(status.headStation);
        role.payrollAtHead = PayrollAtHeadText(config.station);
        // A punch station corrects no card.
        role.correctionHead = QString();
        return role;
    }
    // The server's, as the exchange last read it: the About box never waits for the network.
    role.correctionHead = status.correctionHead
                              ? CorrectionLogHeadText(*status.correctionHead)
                              : QStringLiteral("The head of the record of corrections is shown "
                                               "once the server has been reached.");
    return role;
}

} // namespace

void ConnectStationLink(frmHorodex* window, StationLink* link)
{
    if (!link)
        return;
    window->setPunchStore(link->punches());
    window->setStationRole(RoleOf(*link));
    QObject::connect(link, &StationLink::statusChanged, window,
                     [window, link] { window->setStationRole(RoleOf(*link)); });
    QObject::connect(link, &StationLink::sharedFilesReplaced, window,
                     &frmHorodex::reloadSharedFiles);
    QObject::connect(window, &frmHorodex::filesSaved, link, &StationLink::exchangeNow);
}
