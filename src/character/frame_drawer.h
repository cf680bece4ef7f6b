#pragma once

#include <QImage>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "character/character_file.h"

// Draws a character's frames on a thread of its own, within a time budget, so that no character
// file holds up the GUI thread however long its frames take to draw.
class FrameDrawer {
  public:
    // Starts drawing the frames of `data` within `budget` (see DrawFrames); `finished` is called
    // on the drawing thread once they are drawn or refused.
    FrameDrawer(const CharacterData& data, std::chrono::milliseconds budget,
                std::function<void()> finished);
    // Stops after the frame being drawn and waits for it.
    ~FrameDrawer();
    FrameDrawer(const FrameDrawer&) = delete;
    FrameDrawer& operator=(const FrameDrawer&) = delete;

    bool Finished() const { return finished_.load(); }
    // Blocks until the drawing is finished.
    void Wait();
    // Once finished, the frames (taken, so only once) or nullopt with `reason`.
    std::optional<std::vector<QImage>> Take(std::string& reason);

  private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::mutex mutex_;
    std::optional<std::vector<QImage>> frames_;
    std::string reason_;
    std::thread thread_;
};
