#include "platform/FullScreenWorkstation.h"

#include "ui/ProgramState.h"

#include <QWidget>

void FullScreenWorkstation::HideDesktopIcons(bool hide)
{
    m_desktopHidden = hide;
    cover();
}

void FullScreenWorkstation::HideTaskBar(bool hide)
{
    m_taskBarHidden = hide;
    cover();
}

void FullScreenWorkstation::cover()
{
    QWidget* main = State().MainWindow.data();
    const bool wanted = m_desktopHidden || m_taskBarHidden;
    if (!main || wanted == m_covering)
        return;
    m_covering = wanted;
    const bool wasVisible = main->isVisible();
    // Changing the flags of a shown window hides it; show it again as it was.
    main->setWindowFlag(Qt::WindowStaysOnTopHint, wanted);
    if (wanted)
        main->setWindowState(main->windowState() | Qt::WindowFullScreen);
    else
        main->setWindowState(main->windowState() & ~Qt::WindowFullScreen);
    if (wasVisible)
        main->show();
}
