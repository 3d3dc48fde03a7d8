#include "ui/core/paint_plan.h"

#include "common/core/product.h"
#include "ui/core/texts.h"


namespace paint {
namespace {

// The size text is what "%.0f KB" and "%.1f MB" print for bytes / 2^10 and
// bytes / 2^20. Both quotients are exact binary fractions, so printf rounds
// them to nearest with ties to even; integer arithmetic gives the same digits
// without pulling the C library's floating-point formatter into the installer.
constexpr unsigned kKilobyteShift = 10;
constexpr unsigned kMegabyteShift = 20;

std::uint64_t roundedQuotient(unsigned __int128 value, unsigned shift) {
    const unsigned __int128 one = 1;
    const auto quotient = static_cast<std::uint64_t>(value >> shift);
    const unsigned __int128 remainder = value & ((one << shift) - 1);
    const unsigned __int128 half = one << (shift - 1);
    const bool roundUp = remainder > half || (remainder == half && (quotient & 1));
    return quotient + (roundUp ? 1 : 0);
}

std::wstring decimalText(std::uint64_t value) {
    wchar_t digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::wstring text;
    while (count > 0) text += digits[--count];
    return text;
}

using layout::Rect;

std::wstring percentText(int progress) {
    return decimalText(static_cast<std::uint64_t>(progress < 0 ? 0 : progress)) + L"%";
}

constexpr std::uint64_t kBytesPerMegabyte = 0x100000;

// Logical lengths of the design, at 96 DPI.
constexpr int kMargin = 30;
constexpr int kContentTop = 134;
constexpr int kHeaderHeight = 112;
constexpr int kIconLeft = 30;
constexpr int kIconTop = 28;
constexpr int kIconSide = 56;
constexpr int kTitleIndent = 72;
constexpr int kTitleTop = 36;
constexpr int kTitleHeight = 30;
constexpr int kSubtitleTop = 66;
constexpr int kSubtitleHeight = 22;
constexpr int kLabelHeight = 18;
constexpr int kBoxTop = 154;
constexpr int kBoxHeight = 42;
constexpr int kBoxRightReserve = 106;  // the "Change…" button and its gap
constexpr int kBoxRadius = 9;
constexpr int kPathInset = 14;
constexpr int kPathRightReserve = 134;
constexpr int kNoteTop = 330;
constexpr int kNoteHeight = 40;
constexpr int kNoteRightReserve = 20;
constexpr int kUninstallPathTop = 156;
constexpr int kUninstallPathHeight = 24;
constexpr int kUninstallNoteTop = 246;
constexpr int kBarTop = 206;
constexpr int kBarHeight = 6;
constexpr int kBarRadius = 3;
constexpr int kWorkingHeadingDrop = 24;
constexpr int kHeadingHeight = 26;
constexpr int kStatusTop = 222;
constexpr int kStatusHeight = 22;
constexpr int kPercentReserve = 50;
constexpr int kResultHeadingDrop = 20;
constexpr int kDetailDrop = 52;
constexpr int kDetailHeight = 20;
constexpr int kInstallSentenceDrop = 76;
constexpr int kSentenceHeight = 48;
constexpr int kErrorHeight = 120;
constexpr int kCheckboxSide = 18;
constexpr int kCheckboxGap = 11;
constexpr int kFocusRingGap = 3;
constexpr int kFocusRingWidth = 2;

struct Frame {
    const PaintInput& in;
    int s(int logical) const { return layout::scaleLength(logical, in.dpi); }
    int margin() const { return s(kMargin); }
    int contentTop() const { return s(kContentTop); }
    int width() const { return in.width; }
    // A full-width row between the margins.
    Rect row(int top, int height) const { return {margin(), top, width() - margin(), top + height}; }
};

void addInstallWelcome(const Frame& f, std::vector<TextItem>& out) {
    const PaintInput& in = f.in;
    const int m = f.margin();
    const int ct = f.contentTop();
    const Palette& colors = in.palette;
    out.push_back({in.existingInstall ? ui_texts::kUpdateLocation : ui_texts::kInstallLocation, Font::Small,
                   colors.textMuted, f.row(ct, f.s(kLabelHeight)), kLine});
    const int pathLeft = m + f.s(kPathInset);
    out.push_back({std::wstring(in.installDir), Font::Body, colors.text,
                   {pathLeft, f.s(kBoxTop), pathLeft + (f.width() - 2 * m - f.s(kPathRightReserve)),
                    f.s(kBoxTop) + f.s(kBoxHeight)},
                   kPathCentredVertically | kNoPrefix, TextKind::Folder});
    out.push_back({in.webView2Present ? ui_texts::kPerUserNote : ui_texts::kWebView2Warning, Font::Small,
                   in.webView2Present ? colors.textMuted : colors.warning,
                   {m, f.s(kNoteTop), m + (f.width() - 2 * m - f.s(kNoteRightReserve)),
                    f.s(kNoteTop) + f.s(kNoteHeight)},
                   kWrapped});
}

void addUninstallWelcome(const Frame& f, std::vector<TextItem>& out) {
    const int ct = f.contentTop();
    const Palette& colors = f.in.palette;
    out.push_back({ui_texts::kRemovesFrom, Font::Small, colors.textMuted, f.row(ct, f.s(kLabelHeight)), kLine});
    out.push_back({std::wstring(f.in.uninstallDir), Font::Body, colors.text,
                   f.row(f.s(kUninstallPathTop), f.s(kUninstallPathHeight)), kPath | kNoPrefix, TextKind::Folder});
    out.push_back({ui_texts::kOnlyOwnFiles, Font::Small, colors.textMuted,
                   f.row(f.s(kUninstallNoteTop), f.s(kNoteHeight)), kWrapped});
}

void addWorking(const Frame& f, std::vector<TextItem>& out) {
    const PaintInput& in = f.in;
    const int m = f.margin();
    const int headingTop = f.contentTop() + f.s(kWorkingHeadingDrop);
    out.push_back({in.uninstallMode ? ui_texts::kRemoving : ui_texts::kInstalling, Font::Body, in.palette.text,
                   f.row(headingTop, f.s(kHeadingHeight)), kLine, TextKind::Heading});
    const int statusTop = f.s(kStatusTop);
    const int statusBottom = statusTop + f.s(kStatusHeight);
    out.push_back({std::wstring(in.statusText), Font::Small, in.palette.textMuted,
                   {m, statusTop, m + (f.width() - 2 * m - f.s(kPercentReserve)), statusBottom}, kPath | kNoPrefix,
                   TextKind::Status});
    out.push_back({percentText(in.progress), Font::Small, in.palette.textMuted,
                   {m, statusTop, f.width() - m, statusBottom}, kLineRight, TextKind::Percentage});
}

void addDone(const Frame& f, std::vector<TextItem>& out) {
    const PaintInput& in = f.in;
    const int m = f.margin();
    const int ct = f.contentTop();
    out.push_back({in.uninstallMode ? ui_texts::kRemoved : ui_texts::kInstalled, Font::Body, in.palette.text,
                   f.row(ct + f.s(kResultHeadingDrop), f.s(kHeadingHeight)), kLine, TextKind::Heading});
    if (!in.uninstallMode) {
        out.push_back({std::wstring(in.installDir), Font::Small, in.palette.textMuted,
                       f.row(ct + f.s(kDetailDrop), f.s(kDetailHeight)), kPath | kNoPrefix, TextKind::Folder});
    }
    const int drop = f.s(in.uninstallMode ? kDetailDrop : kInstallSentenceDrop);
    out.push_back({std::wstring(in.statusText), Font::Small, in.palette.textMuted,
                   {m, ct + drop, m + (f.width() - 2 * m), ct + drop + f.s(kSentenceHeight)}, kWrapped | kNoPrefix});
}

void addFailed(const Frame& f, std::vector<TextItem>& out) {
    const PaintInput& in = f.in;
    const int ct = f.contentTop();
    out.push_back({in.uninstallMode ? ui_texts::kUninstallFailed : ui_texts::kInstallFailed, Font::Body,
                   in.palette.error, f.row(ct + f.s(kResultHeadingDrop), f.s(kHeadingHeight)), kLine,
                   TextKind::Heading});
    out.push_back({std::wstring(in.errorText), Font::Small, in.palette.textMuted,
                   f.row(ct + f.s(kDetailDrop), f.s(kErrorHeight)), kWrapped | kNoPrefix});
}

}  // namespace

std::wstring sizeText(std::uint64_t bytes) {
    if (bytes < kBytesPerMegabyte) return decimalText(roundedQuotient(bytes, kKilobyteShift)) + L" KB";
    const std::uint64_t tenths = roundedQuotient(static_cast<unsigned __int128>(bytes) * 10, kMegabyteShift);
    return decimalText(tenths / 10) + L"." + decimalText(tenths % 10) + L" MB";
}

std::wstring subtitle(bool uninstallMode, std::uint64_t payloadBytes) {
    if (uninstallMode) return ui_texts::kUninstallSubtitle;
    return std::wstring(ui_texts::kVersionPrefix) + product::kVersion + ui_texts::kSubtitleSeparator +
           sizeText(payloadBytes) + ui_texts::kOnDisk;
}

const wchar_t* resultSentence(bool uninstallMode, bool purgeSettings, bool startMenuShortcut) {
    if (uninstallMode) return purgeSettings ? ui_texts::kPurgedSentence : ui_texts::kKeptSentence;
    return startMenuShortcut ? ui_texts::kStartMenuSentence : ui_texts::kFolderSentence;
}

std::vector<TextItem> screenTexts(const PaintInput& in) {
    const Frame f{in};
    const int titleLeft = f.margin() + f.s(kTitleIndent);
    std::vector<TextItem> out;
    out.push_back({product::kName, Font::Title, in.palette.text,
                   {titleLeft, f.s(kTitleTop), in.width, f.s(kTitleTop) + f.s(kTitleHeight)}, kLine});
    out.push_back({subtitle(in.uninstallMode, in.payloadBytes), Font::Small, in.palette.textMuted,
                   {titleLeft, f.s(kSubtitleTop), in.width, f.s(kSubtitleTop) + f.s(kSubtitleHeight)}, kLine});
    switch (in.screen) {
    case Screen::Welcome:
        if (in.uninstallMode) addUninstallWelcome(f, out);
        else addInstallWelcome(f, out);
        break;
    case Screen::Working: addWorking(f, out); break;
    case Screen::Done: addDone(f, out); break;
    case Screen::Failed: addFailed(f, out); break;
    }
    return out;
}

int headerHeight(int dpi) {
    return layout::scaleLength(kHeaderHeight, dpi);
}

layout::Rect headerIconRect(int dpi) {
    const auto s = [dpi](int v) { return layout::scaleLength(v, dpi); };
    return layout::rectAt(s(kIconLeft), s(kIconTop), s(kIconSide), s(kIconSide));
}

layout::Rect locationBox(const PaintInput& in) {
    const Frame f{in};
    const int m = f.margin();
    return {m, f.s(kBoxTop), m + (in.width - 2 * m - f.s(kBoxRightReserve)), f.s(kBoxTop) + f.s(kBoxHeight)};
}

int locationBoxRadius(int dpi) {
    return layout::scaleLength(kBoxRadius, dpi);
}

ProgressBar progressBar(const PaintInput& in) {
    const Frame f{in};
    const int m = f.margin();
    ProgressBar bar;
    bar.track = layout::rectAt(m, f.s(kBarTop), in.width - 2 * m, f.s(kBarHeight));
    bar.fillWidth = (bar.track.width() * in.progress) / 100;
    // A narrower fill would be two corner arcs overlapping into a blob.
    bar.fillShown = bar.fillWidth > bar.track.height();
    bar.radius = f.s(kBarRadius);
    return bar;
}

layout::Rect checkboxBox(const layout::Rect& element, int dpi) {
    const int side = layout::scaleLength(kCheckboxSide, dpi);
    const int top = element.top + (element.height() - side) / 2;
    return layout::rectAt(element.left, top, side, side);
}

layout::Rect checkboxLabel(const layout::Rect& element, int dpi) {
    layout::Rect label = element;
    label.left += layout::scaleLength(kCheckboxSide, dpi) + layout::scaleLength(kCheckboxGap, dpi);
    return label;
}

std::array<PointF, 3> tickPoints(const layout::Rect& box) {
    const float x = static_cast<float>(box.left);
    const float y = static_cast<float>(box.top);
    const float b = static_cast<float>(box.width());
    return {{{x + 0.26f * b, y + 0.52f * b}, {x + 0.44f * b, y + 0.70f * b}, {x + 0.76f * b, y + 0.31f * b}}};
}

int buttonRadius(int dpi) {
    return layout::scaleLength(8, dpi);
}

int checkboxRadius(int dpi) {
    return layout::scaleLength(5, dpi);
}

int tickWidth(int dpi) {
    return layout::scaleLength(2, dpi);
}

FocusRing focusRing(const layout::Rect& element, int dpi) {
    const int gap = layout::scaleLength(kFocusRingGap, dpi);
    return {{element.left - gap, element.top - gap, element.right + gap, element.bottom + gap},
            buttonRadius(dpi) + gap, layout::scaleLength(kFocusRingWidth, dpi)};
}

}  // namespace paint
