// Work that may take longer than a frame, run off the user-interface thread
// so that typing on overtakes it.
#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QtConcurrent/QtConcurrentRun>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace zorvan {

// Runs one job at a time on Qt's thread pool. Each Start carries a new
// generation: the earlier job is told to stop through its cancel flag, and
// its result, should it still arrive, is dropped.
template <typename Result>
class BackgroundJob {
 public:
  using Work = std::function<Result(const std::atomic<bool>& cancel)>;
  using Done = std::function<void(Result)>;

  // `context` receives the results; it must outlive this object.
  explicit BackgroundJob(QObject* context) : context_(context) {}
  BackgroundJob(const BackgroundJob&) = delete;
  BackgroundJob& operator=(const BackgroundJob&) = delete;
  // Cancels every job still running and waits for it, so that none outlives
  // the data it reads.
  ~BackgroundJob() {
    Cancel();
    for (QFuture<Result>& future : running_) future.waitForFinished();
  }

  // Starts `work` and calls `done` on the user-interface thread with its
  // result, unless Start or Cancel is called again first.
  void Start(Work work, Done done) {
    Cancel();
    std::erase_if(running_, [](const QFuture<Result>& f) { return f.isFinished(); });
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    cancel_ = cancel;
    const quint64 generation = ++generation_;
    auto* watcher = new QFutureWatcher<Result>(context_);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context_,
                     [this, watcher, generation, done = std::move(done)] {
                       watcher->deleteLater();
                       if (generation == generation_) {
                         cancel_.reset();
                         done(watcher->result());
                       }
                     });
    running_.push_back(QtConcurrent::run([cancel, work = std::move(work)] { return work(*cancel); }));
    watcher->setFuture(running_.back());
  }

  // Tells the running job to stop; its result will not be delivered.
  void Cancel() {
    ++generation_;
    if (cancel_) *cancel_ = true;
    cancel_.reset();
  }

  // Returns whether a job was started and has neither delivered nor been cancelled.
  bool Running() const { return cancel_ != nullptr; }

 private:
  QObject* context_;
  quint64 generation_ = 0;
  std::shared_ptr<std::atomic<bool>> cancel_;
  std::vector<QFuture<Result>> running_;
};

}  // namespace zorvan
