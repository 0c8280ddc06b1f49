#include "gui/Services.h"

#include "gui/core/FailureMemory.h"

namespace gui {

namespace {
Services& Installed() {
    static Services services;
    return services;
}
}  // namespace

const Services& InstalledServices() {
    return Installed();
}

ScopedServices::ScopedServices() : previous_(Installed()) {
    runtime::ForgetFailures();
}

ScopedServices::~ScopedServices() {
    Installed() = std::move(previous_);
    runtime::ForgetFailures();
}

Services* ScopedServices::operator->() {
    return &Installed();
}

}  // namespace gui
