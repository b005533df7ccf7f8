#include "player/line_source.h"

#include <QTimer>
#include <cerrno>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace vx::player {

StdinLineSource::StdinLineSource(std::function<void(std::string)> onLine, std::function<void()> onEnd)
    : onLine_(std::move(onLine)), onEnd_(std::move(onEnd)) {
    struct stat st;
    if (fstat(STDIN_FILENO, &st) != 0) {
        QTimer::singleShot(0, &context_, [this] { finish(); });
        return;
    }
    if (S_ISREG(st.st_mode)) {
        // A file never signals "not ready": read it through from the event loop.
        QTimer::singleShot(0, &context_, [this] {
            while (!ended_)
                readSome();
        });
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, &context_, [this] { readSome(); });
}

void StdinLineSource::readSome() {
    if (ended_) return;
    char buf[4096];
    ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
        finish();
        return;
    }
    partial_.append(buf, static_cast<size_t>(n));
    size_t start = 0;
    for (size_t nl; (nl = partial_.find('\n', start)) != std::string::npos; start = nl + 1) {
        onLine_(partial_.substr(start, nl - start));
    }
    partial_.erase(0, start);
}

void StdinLineSource::finish() {
    if (ended_) return;
    ended_ = true;
    if (notifier_) notifier_->setEnabled(false);
    if (!partial_.empty()) onLine_(std::move(partial_));
    partial_.clear();
    onEnd_();
}

bool readLines(const std::string& path, const std::function<void(std::string)>& onLine) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line))
        onLine(line);
    return true;
}

} // namespace vx::player
