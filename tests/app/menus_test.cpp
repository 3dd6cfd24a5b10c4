#include "app/menus.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <string>
#include <vector>

#include "tests/ui/qt_test_app.h"

namespace mora {
namespace {

using Lines = std::vector<std::string>;

// Item("Text", cmd::PublishClip) per item (Gray("Text", cmd::PublishClip) when disabled), "-" per
// separator.
Lines Describe(const QMenu* menu) {
    Lines lines;
    for (const QAction* a : menu->actions()) {
        if (a->isSeparator()) {
            lines.push_back("-");
            continue;
        }
        EXPECT_EQ(a->objectName(), QString::number(a->data().toInt()));
        lines.push_back(a->text().toStdString() + " " + std::to_string(a->data().toInt()) +
                        (a->isEnabled() ? "" : " gray"));
    }
    return lines;
}

std::string Item(const char* text, cmd::Id id) {
    return std::string(text) + " " + std::to_string(id);
}
std::string Gray(const char* text, cmd::Id id) {
    return Item(text, id) + " gray";
}

Lines Titles(const QMenuBar& bar) {
    Lines titles;
    for (const QAction* a : bar.actions()) titles.push_back(a->text().toStdString());
    return titles;
}

struct Built {
    QMenuBar bar;
    explicit Built(const Settings& s) {
        BuildMainMenu(bar, s.LiteLayout != 0);
        BuildPublishMenu(bar, s);
    }
    const QMenu* Popup(int i) const { return bar.actions()[i]->menu(); }
};

TEST(Menus, FullMenuHasEveryPopupItemAndIdentifier) {
    test::TestApp();
    Settings s;
    s.EnableImages = 0;
    Built m(s);
    EXPECT_EQ(Titles(m.bar), (Lines{"    File  ", "  Publish  ", "  Edit  ", "  Tools  "}));
    EXPECT_EQ(Describe(m.Popup(0)),
              (Lines{Item("Exit", cmd::Exit), "-", Item("New project", cmd::NewProject),
                     Item("Open project", cmd::OpenProject), Item("Open clip", cmd::OpenClip),
                     Item("Save selection", cmd::SaveSelection), Item("Delete", cmd::Delete)}));
    EXPECT_EQ(Describe(m.Popup(1)),
              (Lines{Item("Clip", cmd::PublishClip), Item("Cliplist", cmd::PublishClipList)}));
    EXPECT_EQ(Describe(m.Popup(2)),
              (Lines{Item("Crop begin", cmd::CropBegin), Item("Crop end", cmd::CropEnd),
                     Item("Copy to clip-editor...", cmd::CopyToClipEditor), "-",
                     Item("Cut begin", cmd::CutBegin), Item("Cut end", cmd::CutEnd), "-",
                     Item("Mark", cmd::Mark)}));
    EXPECT_EQ(
        Describe(m.Popup(3)),
        (Lines{Item("About", cmd::About), Item("Record", cmd::Record), Item("Editor", cmd::Editor),
               Item("Clip editor", cmd::ClipEditor), Item("Edit Text", cmd::EditText)}));
}

TEST(Menus, PublishItemsFromTheSettingsGoInOrderWithTheFileAndFastPairsGrayed) {
    test::TestApp();
    Settings s;
    s.EnableImages = 1;
    s.EnableToFile = 1;
    s.FastPublishFormat = 2;
    Built m(s);
    EXPECT_EQ(Describe(m.Popup(1)),
              (Lines{Item("Clip", cmd::PublishClip), Item("Cliplist", cmd::PublishClipList), "-",
                     Item("Image", cmd::Image), "-", Gray("Clip to File", cmd::ClipToFile),
                     Gray("Cliplist to File", cmd::ClipListToFile), "-",
                     Gray("Fast Clip", cmd::FastClip), Gray("Fast Cliplist", cmd::FastClipList)}));
    const QString artifacts = qEnvironmentVariable("MORA_ARTIFACT_DIR");
    if (!artifacts.isEmpty()) {
        QDir().mkpath(artifacts);
        auto* publish = const_cast<QMenu*>(m.Popup(1));
        publish->adjustSize();
        EXPECT_TRUE(publish->grab().save(artifacts + "/mora_publish_menu.png"));
    }

    s.EnableImages = 0;
    s.FastPublishFormat = 0;
    Built fileOnly(s);
    EXPECT_EQ(Describe(fileOnly.Popup(1)),
              (Lines{Item("Clip", cmd::PublishClip), Item("Cliplist", cmd::PublishClipList), "-",
                     Gray("Clip to File", cmd::ClipToFile),
                     Gray("Cliplist to File", cmd::ClipListToFile)}));
}

TEST(Menus, InputOptionsLeadTheToolsPopupWhenProfilesMayBeChosen) {
    test::TestApp();
    Settings s;
    s.AllowEqProfileSelection = 1;
    Built m(s);
    EXPECT_EQ(Describe(m.Popup(3)),
              (Lines{Item("Input options...", cmd::InputOptions), "-", Item("About", cmd::About),
                     Item("Record", cmd::Record), Item("Editor", cmd::Editor),
                     Item("Clip editor", cmd::ClipEditor), Item("Edit Text", cmd::EditText)}));
}

TEST(Menus, LiteLayoutHasThePublishPopupAndTwoUntitledOnes) {
    test::TestApp();
    Settings s;
    s.LiteLayout = 1;
    s.EnableImages = 1;
    s.AllowEqProfileSelection = 1;  // there is no Tools popup to take it
    Built m(s);
    EXPECT_EQ(Titles(m.bar), (Lines{"  Publish  ", "", ""}));
    EXPECT_EQ(Describe(m.Popup(0)),
              (Lines{Item("Clip", cmd::PublishClip), "-", Item("Image", cmd::Image)}));
    EXPECT_EQ(Describe(m.Popup(1)), (Lines{Item("Clip", cmd::LiteClip)}));
    EXPECT_EQ(Describe(m.Popup(2)), (Lines{Item("Clip", cmd::LiteClip)}));
    EXPECT_EQ(FindMenuItem(m.bar, cmd::InputOptions), nullptr);
}

}  // namespace
}  // namespace mora
