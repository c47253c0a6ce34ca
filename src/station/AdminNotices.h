#pragma once

#include <QString>

// What the administrator is told when he logs in, and only then (employees and the start of a
// punch station never see it): what about the data folder needs his hand, with the command that
// mends it. Empty when nothing does. Nothing is changed here.
QString AdminLoginNotice();

// A path quoted for a POSIX shell, so that a command shown can be pasted as it is.
QString ShellQuoted(const QString& path);
