#include "appcore/AppShell.h"

#include <atomic>

namespace {
std::atomic<AppShell*> g_current{nullptr};
}

AppShell* AppShell::current() { return g_current.load(); }

void AppShell::setCurrent(AppShell* shell) { g_current.store(shell); }
