#include "app/menus.h"

#include <QMenu>
#include <QMenuBar>
#include <initializer_list>

namespace mora {

namespace {

struct ItemSpec {
    const char* text;  // nullptr: a separator
    int id;
};

QAction* MakeItem(QMenu& menu, const char* text, int id) {
    auto* action = new QAction(QString::fromUtf8(text), &menu);
    action->setObjectName(QString::number(id));
    action->setData(id);
    // The screens' Tools items show which screen is current.
    action->setCheckable(id >= cmd::Record && id <= cmd::About);
    return action;
}

QAction* MakeSeparator(QMenu& menu) {
    auto* action = new QAction(&menu);
    action->setSeparator(true);
    return action;
}

QMenu* AddPopup(QMenuBar& bar, const char* title, std::initializer_list<ItemSpec> items) {
    QMenu* menu = bar.addMenu(QString::fromUtf8(title));
    for (const ItemSpec& item : items) {
        menu->addAction(item.text ? MakeItem(*menu, item.text, item.id) : MakeSeparator(*menu));
    }
    return menu;
}

// Inserts before the item now at `position`, or appends when the popup is shorter.
void InsertAt(QMenu& menu, int position, QAction* action) {
    const QList<QAction*> actions = menu.actions();
    menu.insertAction(position < actions.size() ? actions[position] : nullptr, action);
}

QMenu* PopupAt(const QMenuBar& bar, int position) {
    const QList<QAction*> actions = bar.actions();
    return position < actions.size() ? actions[position]->menu() : nullptr;
}

}  // namespace

void BuildMainMenu(QMenuBar& bar, bool lite) {
    if (lite) {
        AddPopup(bar, kPublishPopup, {{"Clip", cmd::PublishClip}});
        AddPopup(bar, "", {{"Clip", cmd::LiteClip}});
        AddPopup(bar, "", {{"Clip", cmd::LiteClip}});
        return;
    }
    AddPopup(bar, kFilePopup,
             {{"Exit", cmd::Exit},
              {nullptr, 0},
              {"New project", cmd::NewProject},
              {"Open project", cmd::OpenProject},
              {"Open clip", cmd::OpenClip},
              {"Save selection", cmd::SaveSelection},
              {"Delete", cmd::Delete}});
    AddPopup(bar, kPublishPopup, {{"Clip", cmd::PublishClip}, {"Cliplist", cmd::PublishClipList}});
    AddPopup(bar, kEditPopup,
             {{"Crop begin", cmd::CropBegin},
              {"Crop end", cmd::CropEnd},
              {"Copy to clip-editor...", cmd::CopyToClipEditor},
              {nullptr, 0},
              {"Cut begin", cmd::CutBegin},
              {"Cut end", cmd::CutEnd},
              {nullptr, 0},
              {"Mark", cmd::Mark}});
    AddPopup(bar, kToolsPopup,
             {{"About", cmd::About},
              {"Record", cmd::Record},
              {"Editor", cmd::Editor},
              {"Clip editor", cmd::ClipEditor},
              {"Edit Text", cmd::EditText}});
}

void BuildPublishMenu(QMenuBar& bar, const Settings& settings) {
    if (settings.AllowEqProfileSelection) {
        if (QMenu* tools = PopupAt(bar, 3)) {
            InsertAt(*tools, 0, MakeSeparator(*tools));
            InsertAt(*tools, 0, MakeItem(*tools, "Input options...", cmd::InputOptions));
        }
    }
    if (settings.LiteLayout) {
        // The first item of the first popup becomes the publish item (drawn as a picture once
        // the skin provides it).
        if (QMenu* first = PopupAt(bar, 0)) {
            const QList<QAction*> actions = first->actions();
            if (!actions.isEmpty()) {
                first->removeAction(actions[0]);
                delete actions[0];
            }
            InsertAt(*first, 0, MakeItem(*first, "Clip", cmd::PublishClip));
        }
    }
    QMenu* publish = FindPopup(bar, kPublishPopup);
    if (!publish) return;
    int p = 2;
    if (settings.EnableImages) {
        InsertAt(*publish, 2, MakeSeparator(*publish));
        InsertAt(*publish, 3, MakeItem(*publish, "Image", cmd::Image));
        p = 4;
    }
    auto insertGrayedPair = [&](const char* first, int firstId, const char* second, int secondId) {
        InsertAt(*publish, p, MakeSeparator(*publish));
        QAction* a = MakeItem(*publish, first, firstId);
        QAction* b = MakeItem(*publish, second, secondId);
        a->setEnabled(false);
        b->setEnabled(false);
        InsertAt(*publish, p + 1, a);
        InsertAt(*publish, p + 2, b);
        p += 3;
    };
    if (settings.EnableToFile)
        insertGrayedPair("Clip to File", cmd::ClipToFile, "Cliplist to File", cmd::ClipListToFile);
    if (settings.FastPublishFormat != 0) {
        insertGrayedPair("Fast Clip", cmd::FastClip, "Fast Cliplist", cmd::FastClipList);
    }
}

QAction* FindMenuItem(const QMenuBar& bar, int id) {
    for (QAction* popup : bar.actions()) {
        if (!popup->menu()) continue;
        for (QAction* item : popup->menu()->actions()) {
            if (!item->isSeparator() && item->data().toInt() == id) return item;
        }
    }
    return nullptr;
}

QMenu* FindPopup(const QMenuBar& bar, const char* title) {
    for (QAction* popup : bar.actions()) {
        if (popup->menu() && popup->menu()->title() == QString::fromUtf8(title)) {
            return popup->menu();
        }
    }
    return nullptr;
}

}  // namespace mora
