// The proxy a provider test talks to: arraysim with the default scenario and corlink4 in a console run over
// it, on the test's machine root, with a configuration file naming its free port; the proxy can be stopped
// and started again on the same port.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

namespace e2e {

class ProviderProxy {
  public:
    explicit ProviderProxy(const testsupport::TestRoot& root);
    ~ProviderProxy() { Stop(); }

    // Starts the proxy and waits until it listens.
    bool Start();
    void Stop();
    std::string Output() const { return proxy_ != nullptr ? proxy_->Output() : std::string(); }

  private:
    std::string root_;
    std::string fabricSocket_;
    uint16_t port_ = 0;
    int starts_ = 0;
    std::unique_ptr<testsupport::ChildProcess> fabric_;
    std::unique_ptr<testsupport::ChildProcess> proxy_;
};

// How often what occurs in text.
size_t Occurrences(const std::string& text, const std::string& what);

}  // namespace e2e
