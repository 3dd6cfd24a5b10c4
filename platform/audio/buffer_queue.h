#pragma once
// The bookkeeping every device shares: the caller's buffers in queue order and their return
// through the event loop. The owner locks `mutex` around the *Locked calls; a buffer is marked
// done and its callback posted in one step under that lock, so callbacks keep queue order even
// when the sound server's thread and the caller's thread both return buffers.

#include <deque>
#include <memory>
#include <mutex>

#include "platform/audio/audio_device.h"

namespace mora {

class EventLoop;

class BufferQueue {
  public:
    BufferQueue(EventLoop& loop, BufferDone done);

    int Prepare(AudioBuffer& buffer);
    int Unprepare(AudioBuffer& buffer);
    // Checks the buffer and appends it; input buffers start empty.
    int EnqueueLocked(AudioBuffer& buffer);

    bool EmptyLocked() const { return items_.empty(); }
    size_t SizeLocked() const { return items_.size(); }
    AudioBuffer& FrontLocked() { return *items_.front(); }
    AudioBuffer& AtLocked(size_t i) { return *items_[i]; }
    // Returns the first buffer to the caller.
    void CompleteFrontLocked();
    void CompleteAllLocked();

    EventLoop& Loop() { return loop_; }
    std::mutex mutex;

  private:
    EventLoop& loop_;
    std::shared_ptr<BufferDone> done_;
    std::deque<AudioBuffer*> items_;
};

}  // namespace mora
