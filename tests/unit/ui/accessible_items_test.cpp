// What a screen reader finds on each screen, and where Tab goes: the
// children in reading order with their roles, names and states, how a call
// names them, and the focus order, which wraps round at both ends.
#include "ui/core/accessible_items.h"

#include "ui/core/layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using accessible::Item;
using accessible::Role;

const std::wstring kDir = L"D:\\R&D\\Tessark Studio";

paint::PaintInput paintInput(Screen screen, bool uninstall) {
    paint::PaintInput in;
    in.screen = screen;
    in.uninstallMode = uninstall;
    in.webView2Present = false;
    in.payloadBytes = 5767168;
    in.progress = 42;
    in.statusText = screen == Screen::Done ? L"Launch it from the folder above." : L"Writing files\u2026";
    in.errorText = L"Could not write D:\\R&D\\a.txt.";
    in.installDir = kDir;
    in.uninstallDir = kDir;
    return in;
}

// The elements as the window holds them after its layout, all unchecked.
std::vector<accessible::ElementView> views(const paint::PaintInput& in) {
    std::vector<accessible::ElementView> out;
    const layout::LayoutInput layoutInput{in.screen, in.uninstallMode, in.webView2Present, in.existingInstall,
                                          in.dpi, in.width, in.height};
    for (const layout::ElementPlacement& e : layout::layoutScreen(layoutInput)) {
        out.push_back({e.id, e.kind, e.rect, e.label, e.primary, false});
    }
    return out;
}

struct Seen {
    Role role;
    std::wstring name;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen) {
    return out << static_cast<int>(seen.role) << " \"" << std::string(seen.name.begin(), seen.name.end()) << "\"";
}

std::vector<Seen> seen(const std::vector<Item>& items) {
    std::vector<Seen> out;
    for (const Item& item : items) out.push_back({item.role, item.name});
    return out;
}

const std::wstring kSubtitle = L"Version 0.2.5  \u00B7  5.5 MB on disk";

TEST(AccessibleItems, EachScreenInReadingOrder) {
    struct Case {
        const char* name;
        Screen screen;
        bool uninstall;
        std::vector<Seen> items;
    };
    const Case cases[] = {
        {"install welcome", Screen::Welcome, false,
         {{Role::StaticText, L"Tessark Studio"}, {Role::StaticText, kSubtitle},
          {Role::StaticText, L"Install location"}, {Role::StaticText, kDir}, {Role::PushButton, L"Change\u2026"},
          {Role::CheckButton, L"Create a desktop shortcut"}, {Role::CheckButton, L"Add it to the Start menu"},
          {Role::CheckButton, L"Offer \u201COpen with Tessark Studio\u201D in Explorer"},
          {Role::CheckButton, L"Launch when the install finishes"},
          {Role::StaticText,
           L"WebView2 is not installed. Tessark Studio draws its whole interface in it and will not start without it."},
          {Role::Link, L"Get the WebView2 runtime"}, {Role::PushButton, L"Cancel"}, {Role::PushButton, L"Install"}}},
        {"uninstall welcome", Screen::Welcome, true,
         {{Role::StaticText, L"Tessark Studio"}, {Role::StaticText, L"Uninstall"},
          {Role::StaticText, L"This removes Tessark Studio from"}, {Role::StaticText, kDir},
          {Role::CheckButton, L"Also delete settings and cached data"},
          {Role::StaticText,
           L"Only the files this installer wrote are deleted. Anything else in that folder is left alone."},
          {Role::PushButton, L"Cancel"}, {Role::PushButton, L"Remove"}}},
        {"install working", Screen::Working, false,
         {{Role::StaticText, L"Tessark Studio"}, {Role::StaticText, kSubtitle}, {Role::StaticText, L"Installing\u2026"},
          {Role::ProgressBar, L"Installing\u2026"}, {Role::StaticText, L"Writing files\u2026"}}},
        {"install done", Screen::Done, false,
         {{Role::StaticText, L"Tessark Studio"}, {Role::StaticText, kSubtitle}, {Role::StaticText, L"Installed."},
          {Role::StaticText, kDir}, {Role::StaticText, L"Launch it from the folder above."},
          {Role::PushButton, L"Close"}, {Role::PushButton, L"Open Tessark Studio"}}},
        {"uninstall failed", Screen::Failed, true,
         {{Role::StaticText, L"Tessark Studio"}, {Role::StaticText, L"Uninstall"},
          {Role::StaticText, L"The uninstall did not finish."}, {Role::StaticText, L"Could not write D:\\R&D\\a.txt."},
          {Role::PushButton, L"Close"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const paint::PaintInput in = paintInput(c.screen, c.uninstall);
        const auto elements = views(in);
        EXPECT_EQ(seen(accessible::accessibleItems({in, elements})), c.items);
    }
}

// The children a screen reader's calls name: by element, by kind, by role,
// and by a point, as accHitTest asks.
TEST(AccessibleItems, ChildIdsCountFromOneInReadingOrder) {
    const paint::PaintInput working = paintInput(Screen::Working, false);
    const auto bar = accessible::accessibleItems({working, {}});
    EXPECT_EQ(accessible::childIdOfTextKind(bar, paint::TextKind::Heading), 3);
    EXPECT_EQ(accessible::childIdOfRole(bar, Role::ProgressBar), 4);
    EXPECT_EQ(accessible::childIdOfTextKind(bar, paint::TextKind::Status), 5);
    EXPECT_EQ(bar[3].value, L"42%");

    const paint::PaintInput welcome = paintInput(Screen::Welcome, false);
    const auto elements = views(welcome);
    const auto all = accessible::accessibleItems({welcome, elements});
    EXPECT_EQ(accessible::childIdOfTextKind(all, paint::TextKind::Folder), 4);
    EXPECT_EQ(accessible::childIdOfElement(all, ID_CHANGE_FOLDER), 5);
    EXPECT_EQ(accessible::childIdAt(all, 500, 170), 5) << "on Change…";
    EXPECT_EQ(accessible::childIdAt(all, 100, 170), 4) << "on the folder";
    EXPECT_EQ(accessible::childIdAt(all, 5, 300), 0) << "on nothing";
    EXPECT_EQ(accessible::childIdOfElement(all, ID_PURGE), 0);
    EXPECT_EQ(accessible::childIdOfElement(all, 0), 0);
}

TEST(AccessibleItems, StatesFollowFocusHoverCheckboxesAndTheDefaultButton) {
    const paint::PaintInput in = paintInput(Screen::Welcome, false);
    auto elements = views(in);
    for (auto& e : elements) e.checked = e.id == ID_START_MENU;
    const auto items = accessible::accessibleItems({in, elements, ID_CANCEL, ID_DESKTOP});
    for (const Item& item : items) {
        SCOPED_TRACE(item.elementId);
        EXPECT_EQ(item.focused, item.elementId == ID_DESKTOP);
        EXPECT_EQ(item.hot, item.elementId == ID_CANCEL);
        EXPECT_EQ(item.checked, item.elementId == ID_START_MENU);
        EXPECT_EQ(item.isDefault, item.elementId == ID_MAIN);
    }
}

// Tab from nothing, round once and on to the first again; Shift+Tab the other way.
std::vector<int> tabRound(const std::vector<accessible::ElementView>& elements, bool backwards) {
    std::vector<int> visited;
    int focus = 0;
    for (std::size_t i = 0; i <= elements.size(); ++i) {
        focus = accessible::nextFocus(elements, focus, backwards);
        visited.push_back(focus);
    }
    return visited;
}

TEST(FocusOrder, TabFollowsReadingOrderAndWrapsRound) {
    const auto welcome = views(paintInput(Screen::Welcome, false));
    EXPECT_EQ(tabRound(welcome, false),
              (std::vector<int>{ID_CHANGE_FOLDER, ID_DESKTOP, ID_START_MENU, ID_EXPLORER, ID_OPEN_APP,
                                ID_WEBVIEW2_LINK, ID_CANCEL, ID_MAIN, ID_CHANGE_FOLDER}));
    EXPECT_EQ(tabRound(welcome, true),
              (std::vector<int>{ID_MAIN, ID_CANCEL, ID_WEBVIEW2_LINK, ID_OPEN_APP, ID_EXPLORER, ID_START_MENU,
                                ID_DESKTOP, ID_CHANGE_FOLDER, ID_MAIN}));
    EXPECT_EQ(tabRound(views(paintInput(Screen::Welcome, true)), false),
              (std::vector<int>{ID_PURGE, ID_CANCEL, ID_MAIN, ID_PURGE}));
    EXPECT_EQ(tabRound(views(paintInput(Screen::Done, false)), false),
              (std::vector<int>{ID_CLOSE, ID_OPEN_APP, ID_CLOSE}));
    EXPECT_EQ(accessible::nextFocus({}, 0, false), 0) << "Working has nothing to reach";
}

}  // namespace
