#include "ui/core/accessible_items.h"

namespace accessible {
namespace {

Role roleOf(ElementKind kind) {
    switch (kind) {
    case Button: return Role::PushButton;
    case Checkbox: return Role::CheckButton;
    case Link: return Role::Link;
    }
    return Role::PushButton;
}

Item elementItem(const ElementView& element, const Input& in) {
    Item item;
    item.role = roleOf(element.kind);
    item.name = element.label;
    item.rect = element.rect;
    item.elementId = element.id;
    item.isDefault = element.primary;
    item.checked = element.kind == Checkbox && element.checked;
    item.focused = element.id == in.focusId;
    item.hot = element.id == in.hoverId;
    return item;
}

// A result heading carries the sentence or error below it, so that the one
// announcement of the result says all of it.
std::wstring headingDescription(const paint::PaintInput& in) {
    if (in.screen == Screen::Done) return std::wstring(in.statusText);
    if (in.screen == Screen::Failed) return std::wstring(in.errorText);
    return {};
}

// The texts, and on Working the bar named by the heading, with the
// percentage as its value.
void addTexts(const paint::PaintInput& in, std::vector<Item>& items) {
    const std::vector<paint::TextItem> texts = paint::screenTexts(in);
    for (const paint::TextItem& text : texts) {
        if (text.kind == paint::TextKind::Percentage) continue;
        Item item;
        item.name = text.text;
        item.rect = text.rect;
        item.textKind = text.kind;
        if (text.kind == paint::TextKind::Heading) item.description = headingDescription(in);
        items.push_back(std::move(item));
    }
    if (in.screen != Screen::Working) return;
    Item bar;
    bar.role = Role::ProgressBar;
    bar.rect = paint::progressBar(in).track;
    for (const paint::TextItem& text : texts) {
        if (text.kind == paint::TextKind::Heading) bar.name = text.text;
        if (text.kind == paint::TextKind::Percentage) bar.value = text.text;
    }
    items.push_back(std::move(bar));
}

}  // namespace

std::vector<Item> accessibleItems(const Input& in) {
    std::vector<Item> unordered;
    addTexts(in.paint, unordered);
    for (const ElementView& element : in.elements) unordered.push_back(elementItem(element, in));
    std::vector<layout::Rect> rects;
    for (const Item& item : unordered) rects.push_back(item.rect);
    std::vector<Item> items;
    for (const std::size_t i : layout::readingOrder(rects)) items.push_back(std::move(unordered[i]));
    return items;
}

int childIdOfElement(std::span<const Item> items, int elementId) {
    for (std::size_t i = 0; elementId != 0 && i < items.size(); ++i) {
        if (items[i].elementId == elementId) return static_cast<int>(i) + 1;
    }
    return 0;
}

int childIdOfTextKind(std::span<const Item> items, paint::TextKind kind) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].role == Role::StaticText && items[i].textKind == kind) return static_cast<int>(i) + 1;
    }
    return 0;
}

int childIdOfRole(std::span<const Item> items, Role role) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].role == role) return static_cast<int>(i) + 1;
    }
    return 0;
}

int childIdAt(std::span<const Item> items, int x, int y) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].rect.contains(x, y)) return static_cast<int>(i) + 1;
    }
    return 0;
}

const wchar_t* defaultActionName(const Item& item) {
    switch (item.role) {
    case Role::PushButton: return L"Press";
    case Role::CheckButton: return item.checked ? L"Uncheck" : L"Check";
    case Role::Link: return L"Jump";
    case Role::StaticText:
    case Role::ProgressBar: return L"";
    }
    return L"";
}

int nextFocus(std::span<const ElementView> elements, int current, bool backwards) {
    if (elements.empty()) return 0;
    std::vector<layout::Rect> rects;
    for (const ElementView& element : elements) rects.push_back(element.rect);
    const std::vector<std::size_t> order = layout::readingOrder(rects);
    const std::size_t count = order.size();
    std::size_t next = backwards ? count - 1 : 0;  // from nothing: the last or the first
    for (std::size_t at = 0; at < count; ++at) {
        if (elements[order[at]].id == current) next = (at + (backwards ? count - 1 : 1)) % count;
    }
    return elements[order[next]].id;
}

}  // namespace accessible
