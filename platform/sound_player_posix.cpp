#include "platform/sound_player_posix.h"

#include <algorithm>

#include "platform/wave_decoder_posix.h"

namespace velmora::platform {

namespace {

// The worker hands the device about 10 ms of sound at a time and looks for a
// newer clip at least that often, so a cut-off is never noticeably late.
constexpr long kChunkFrames = 256;
constexpr int kPollMs = 10;
// An output that never reports the clip as played must not hold the worker
// (or the exiting process) longer than the clip plus this.
constexpr std::chrono::milliseconds kPlayoutSlack{500};

}  // namespace

SoundPlayer::SoundPlayer(PcmOpener opener)
    : opener_(std::move(opener)), worker_([this] { run(); }) {}

SoundPlayer::~SoundPlayer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void SoundPlayer::play(const void* image, size_t size) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    request_ = Request{image, size};
    hasRequest_ = true;
  }
  wake_.notify_all();
}

bool SoundPlayer::waitUntilIdle(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  return idle_.wait_for(lock, limit, [this] { return !busy_ && !hasRequest_; });
}

void SoundPlayer::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || hasRequest_; });
    if (stopping_) break;
    Request request = request_;
    hasRequest_ = false;
    busy_ = true;
    lock.unlock();
    playOne(request);
    lock.lock();
    busy_ = false;
    idle_.notify_all();
  }
  busy_ = false;
  hasRequest_ = false;
  idle_.notify_all();
}

bool SoundPlayer::interrupted() {
  std::lock_guard<std::mutex> lock(mutex_);
  return stopping_ || hasRequest_;
}

void SoundPlayer::playOne(const Request& request) {
  DecodedWave wave;
  if (!decodeWave(request.image, request.size, &wave)) return;
  if (interrupted()) return;
  std::unique_ptr<PcmOutput> out = opener_ ? opener_(wave.rate, wave.channels) : nullptr;
  if (!out) return;
  bool complete = feed(*out, wave) && waitForPlayout(*out, wave);
  out->finish(!complete);
}

bool SoundPlayer::feed(PcmOutput& out, const DecodedWave& wave) {
  int64_t done = 0;
  while (done < wave.frames) {
    if (interrupted()) return false;
    long chunk = static_cast<long>(std::min<int64_t>(kChunkFrames, wave.frames - done));
    long taken = out.write(wave.samples.data() + done * wave.channels, chunk);
    if (taken < 0) return false;
    if (taken == 0) out.waitForRoom(kPollMs);
    done += taken;
  }
  return true;
}

bool SoundPlayer::waitForPlayout(PcmOutput& out, const DecodedWave& wave) {
  auto length = std::chrono::milliseconds(wave.frames * 1000 / wave.rate);
  auto deadline = std::chrono::steady_clock::now() + length + kPlayoutSlack;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    lock.unlock();
    long left = out.pending();
    lock.lock();
    if (stopping_ || hasRequest_) return false;
    if (left <= 0) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    wake_.wait_for(lock, std::chrono::milliseconds(kPollMs));
  }
}

}  // namespace velmora::platform
