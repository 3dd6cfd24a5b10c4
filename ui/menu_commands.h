#pragma once
// The main window's command identifiers. Menu items carry them as their data and object name,
// screens check their Tools item by them, and the dispatch switches on them. The numbers are
// the program's own and stay as they are.

namespace mora::cmd {

enum Id : int {
    Record = 40007,  // the Tools items of screens 0 to 4 follow in screen order
    Editor = 40008,
    ClipEditor = 40009,
    EditText = 40010,
    About = 40011,
    PublishClip = 40020,
    LiteClip = 40021,  // the untitled popups of the reduced menu
    Exit = 40024,
    OpenProject = 40025,
    NewProject = 40026,
    Delete = 40028,
    ClipListNotify = 40029,   // the clip editor's list view reports through this one
    TextEditControl = 40030,  // the text editor's child control, not a menu item
    CropBegin = 40033,
    CropEnd = 40034,
    SaveSelection = 40036,
    PublishClipList = 40038,
    OpenClip = 40039,
    CutBegin = 40041,
    CutEnd = 40042,
    Mark = 40043,
    Nothing = 40044,
    CopyToClipEditor = 40047,
    InputOptions = 40049,
    ClipToFile = 40052,
    ClipListToFile = 40054,
    Image = 40055,
    RecordButton = 40057,
    FastClip = 40062,
    FastClipList = 40063,
};

// The Tools item of screen `index`.
constexpr Id ScreenItem(int index) {
    return static_cast<Id>(Record + index);
}

}  // namespace mora::cmd
