#pragma once

#include "ui/Messages.h"

// The program's presenter: standard message boxes and input boxes titled as asked, and the
// message window (frmMsgBox) for the message window's messages.
Messages::Presenter MessageBoxPresenter();

// Makes it the presenter of every message.
void InstallMessageBoxPresenter();
