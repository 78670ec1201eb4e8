// Work on many items on a few threads, results handed on in the items' order: item i's result
// goes to `deliver` on the calling thread as soon as it and every item before it are done, so
// output streams in input order however the threads finish. A slow item holds back only the
// delivery of those after it, never their work.
//
// `work` runs on the worker threads and must not throw (catch inside it); `deliver` runs on the
// calling thread only.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace quarvex::cli {

template <typename Work, typename Deliver>
void RunInOrder(std::size_t count, unsigned threads, Work work, Deliver deliver) {
  using Result = decltype(work(std::size_t{0}));
  std::vector<std::optional<Result>> done(count);
  std::mutex mutex;
  std::condition_variable ready;
  std::atomic<std::size_t> next{0};

  auto worker = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      Result result = work(i);
      {
        const std::lock_guard<std::mutex> lock(mutex);
        done[i].emplace(std::move(result));
      }
      ready.notify_one();
    }
  };
  const std::size_t workers = std::min<std::size_t>(std::max(threads, 1u), count);
  std::vector<std::thread> pool;
  pool.reserve(workers);
  // A thread the system refuses means fewer workers; with none at all, the caller does the work.
  for (std::size_t t = 0; t < workers; ++t) {
    try {
      pool.emplace_back(worker);
    } catch (const std::system_error&) {
      break;
    }
  }
  if (pool.empty()) worker();

  for (std::size_t i = 0; i < count; ++i) {
    std::optional<Result> result;
    {
      std::unique_lock<std::mutex> lock(mutex);
      ready.wait(lock, [&] { return done[i].has_value(); });
      result = std::move(done[i]);
      done[i].reset();
    }
    deliver(i, *result);
  }
  for (std::thread& t : pool) t.join();
}

}  // namespace quarvex::cli
