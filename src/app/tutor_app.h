#pragma once

class PlatformRuntime;

// The application: starts the platform, runs the main window modally, and tears down in order.
class CTutorApp {
  public:
    explicit CTutorApp(PlatformRuntime& runtime) : m_runtime(runtime) {}
    // Runs the whole program; always false, as there is nothing left to run afterwards.
    bool InitInstance();

  private:
    PlatformRuntime& m_runtime;
};
