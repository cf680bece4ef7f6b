#pragma once

class PlatformRuntime;

// The application: starts the platform, runs the main window modally, and tears down in order.
class CTutorApp {
  public:
    explicit CTutorApp(PlatformRuntime& runtime) : runtime_(runtime) {}
    // Runs the whole program; always false, as there is nothing left to run afterwards.
    bool InitInstance();
    // The process's exit status after InitInstance(): 1 when another tutor had the course folder.
    int ExitCode() const { return exitCode_; }

    // Beside the settings file; held while the program runs.
    static constexpr const char* kLockFile = "quorvan.lock";

  private:
    PlatformRuntime& runtime_;
    int exitCode_ = 0;
};
