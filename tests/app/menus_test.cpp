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

// "Text 40020" per item ("Text 40020 gray" when disabled), "-" per separator.
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
              (Lines{"Exit 40024", "-", "New project 40026", "Open project 40025",
                     "Open clip 40039", "Save selection 40036", "Delete 40028"}));
    EXPECT_EQ(Describe(m.Popup(1)), (Lines{"Clip 40020", "Cliplist 40038"}));
    EXPECT_EQ(Describe(m.Popup(2)),
              (Lines{"Crop begin 40033", "Crop end 40034", "Copy to clip-editor... 40047", "-",
                     "Cut begin 40041", "Cut end 40042", "-", "Mark 40043"}));
    EXPECT_EQ(Describe(m.Popup(3)), (Lines{"About 40011", "Record 40007", "Editor 40008",
                                           "Clip editor 40009", "Edit Text 40010"}));
}

TEST(Menus, PublishItemsFromTheSettingsGoInOrderWithTheFileAndFastPairsGrayed) {
    test::TestApp();
    Settings s;
    s.EnableImages = 1;
    s.EnableToFile = 1;
    s.FastPublishFormat = 2;
    Built m(s);
    EXPECT_EQ(Describe(m.Popup(1)),
              (Lines{"Clip 40020", "Cliplist 40038", "-", "Image 40055", "-",
                     "Clip to File 40052 gray", "Cliplist to File 40054 gray", "-",
                     "Fast Clip 40062 gray", "Fast Cliplist 40063 gray"}));
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
              (Lines{"Clip 40020", "Cliplist 40038", "-", "Clip to File 40052 gray",
                     "Cliplist to File 40054 gray"}));
}

TEST(Menus, InputOptionsLeadTheToolsPopupWhenProfilesMayBeChosen) {
    test::TestApp();
    Settings s;
    s.AllowEqProfileSelection = 1;
    Built m(s);
    EXPECT_EQ(Describe(m.Popup(3)),
              (Lines{"Input options... 40049", "-", "About 40011", "Record 40007", "Editor 40008",
                     "Clip editor 40009", "Edit Text 40010"}));
}

TEST(Menus, LiteLayoutHasThePublishPopupAndTwoUntitledOnes) {
    test::TestApp();
    Settings s;
    s.LiteLayout = 1;
    s.EnableImages = 1;
    s.AllowEqProfileSelection = 1;  // there is no Tools popup to take it
    Built m(s);
    EXPECT_EQ(Titles(m.bar), (Lines{"  Publish  ", "", ""}));
    EXPECT_EQ(Describe(m.Popup(0)), (Lines{"Clip 40020", "-", "Image 40055"}));
    EXPECT_EQ(Describe(m.Popup(1)), (Lines{"Clip 40021"}));
    EXPECT_EQ(Describe(m.Popup(2)), (Lines{"Clip 40021"}));
    EXPECT_EQ(FindMenuItem(m.bar, 40049), nullptr);
}

}  // namespace
}  // namespace mora
