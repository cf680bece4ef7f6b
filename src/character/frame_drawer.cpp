#include "character/frame_drawer.h"

#include <utility>

FrameDrawer::FrameDrawer(const CharacterData& data, std::chrono::milliseconds budget,
                         std::function<void()> finished)
    : thread_([this, data, budget, finished = std::move(finished)] {
          std::string reason;
          std::optional<std::vector<QImage>> frames = DrawFrames(data, budget, stop_, reason);
          {
              const std::lock_guard lock(mutex_);
              frames_ = std::move(frames);
              reason_ = std::move(reason);
          }
          finished_.store(true);
          if (finished && !stop_.load()) {
              finished();
          }
      }) {}

FrameDrawer::~FrameDrawer() {
    stop_.store(true);
    Wait();
}

void FrameDrawer::Wait() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::optional<std::vector<QImage>> FrameDrawer::Take(std::string& reason) {
    const std::lock_guard lock(mutex_);
    reason = reason_;
    return std::exchange(frames_, std::nullopt);
}
