// The load sequence of a program without windows: failures as the
// system's message boxes (standard error on a portable system), status
// texts and file names on standard error when asked for.
#pragma once

#include <functional>
#include <string>

#include "system/system_services.h"
#include "host/load_sequence.h"

namespace glowpond {

class ConsoleProgress final : public LoadProgress {
public:
    // `stop` (may be empty) is asked whether the user wants the loads to
    // end; it is asked often, so it should be cheap.
    ConsoleProgress(SystemServices& platform, bool showStatus, std::function<bool()> stop = {});

    bool showsStatus() const override { return showStatus_; }
    void showStatus(const std::string& text) override;
    void showError(const std::string& text, const std::string& caption) override;
    bool cancelled() override { return stop_ && stop_(); }
    void nextFile() override {}
    void showFile(const std::string& path) override;
    // Always told: without it nobody learns why a folder's file is missing.
    void showSkipped(const std::string& text) override;

private:
    SystemServices& platform_;
    bool showStatus_;
    std::function<bool()> stop_;
};

}  // namespace glowpond
