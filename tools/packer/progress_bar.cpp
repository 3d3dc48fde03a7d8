#include "progress_bar.h"

#include <ostream>

namespace packer {
namespace {

constexpr int kBarWidth = 40;

}  // namespace

ProgressBar::ProgressBar(std::ostream& terminal, bool enabled, std::string label)
    : terminal_(terminal), enabled_(enabled), label_(std::move(label)) {}

ProgressBar::~ProgressBar() {
    if (shownPercent_ >= 0) terminal_ << "\n" << std::flush;
}

void ProgressBar::update(std::uint64_t done, std::uint64_t total) {
    if (!enabled_) return;
    const int percent = total == 0 ? 100 : int(done * 100 / total);
    if (percent == shownPercent_) return;
    shownPercent_ = percent;
    const int filled = percent * kBarWidth / 100;
    terminal_ << "\r" << label_ << " [" << std::string(std::size_t(filled), '#')
              << std::string(std::size_t(kBarWidth - filled), '.') << "] " << (percent < 10 ? "  " : percent < 100 ? " " : "")
              << percent << "%" << std::flush;
}

}  // namespace packer
