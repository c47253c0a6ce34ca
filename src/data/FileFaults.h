#pragma once

#include <QString>

#include <functional>

namespace FileStore {

// Fault injection for tests: the hook is asked before each system call with the call's name
// ("open", "write", "fsync", "fdatasync", "rename", "fsyncdir", "read", "mkdir", "fchmod",
// "fchown", "link") and the path; returning a non-zero errno makes that call fail with it.
using FaultHook = std::function<int(const char* call, const QString& path)>;
void setFaultHook(FaultHook hook);

} // namespace FileStore
