#include "platform/audio/buffer_queue.h"

#include "platform/event_loop.h"

namespace mora {

BufferQueue::BufferQueue(EventLoop& loop, BufferDone done)
    : loop_(loop), done_(std::make_shared<BufferDone>(std::move(done))) {}

int BufferQueue::Prepare(AudioBuffer& buffer) {
    if (!buffer.data || buffer.length == 0) return kAudioInvalidParam;
    std::lock_guard lock(mutex);
    if (buffer.flags & kBufferQueued) return kAudioStillPlaying;
    buffer.flags |= kBufferPrepared;
    return kAudioOk;
}

int BufferQueue::Unprepare(AudioBuffer& buffer) {
    std::lock_guard lock(mutex);
    if (buffer.flags & kBufferQueued) return kAudioStillPlaying;
    buffer.flags &= ~kBufferPrepared;
    return kAudioOk;
}

int BufferQueue::EnqueueLocked(AudioBuffer& buffer) {
    if (!(buffer.flags & kBufferPrepared)) return kAudioUnprepared;
    if (buffer.flags & kBufferQueued) return kAudioStillPlaying;
    buffer.flags = (buffer.flags & ~kBufferDone) | kBufferQueued;
    buffer.bytesRecorded = 0;
    items_.push_back(&buffer);
    return kAudioOk;
}

void BufferQueue::CompleteFrontLocked() {
    AudioBuffer* buffer = items_.front();
    items_.pop_front();
    buffer->flags = (buffer->flags & ~kBufferQueued) | kBufferDone;
    // The callback, not the device, is captured: buffers returned by a reset may still be on
    // their way when the device is closed and gone.
    loop_.Post([done = done_, buffer] { (*done)(*buffer); });
}

void BufferQueue::CompleteAllLocked() {
    while (!items_.empty()) CompleteFrontLocked();
}

}  // namespace mora
