// A one-line progress bar on a terminal: "packing [#######.......]  47%".
// Redrawn in place with a carriage return, only when the shown percentage
// changes; a disabled bar prints nothing (build logs stay clean).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace packer {

class ProgressBar {
public:
    ProgressBar(std::ostream& terminal, bool enabled, std::string label);
    ~ProgressBar();  // ends the line if anything was drawn
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::uint64_t done, std::uint64_t total);

private:
    std::ostream& terminal_;
    bool enabled_;
    std::string label_;
    int shownPercent_ = -1;
};

}  // namespace packer
