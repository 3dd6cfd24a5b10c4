#include "ui/clip_editor_screen.h"

#include <QApplication>
#include <QPainter>

#include "platform/ui_services.h"
#include "project/clip_list.h"
#include "ui/artwork.h"

namespace mora {

namespace {

// The list's text: the normal proportional font of the skin, which fits the most of a name
// and a date into the panel.
constexpr int kListFont = 3;

// The strip beside the list: a push button that shows the project's name, turned to read
// upwards.
class TurnedTextWin : public PushButtonWin {
  public:
    TurnedTextWin(WWin* owner, const Skin& skin, SkinRect units, std::function<void()> callback,
                  std::function<std::string()> text)
        : PushButtonWin(owner, skin, units, std::move(callback)),
          skin_(skin),
          text_(std::move(text)) {}

    void Paint(QPainter& painter) override {
        PushButtonWin::Paint(painter);
        const QString text = QString::fromStdString(text_());
        if (text.isEmpty()) return;
        const QRect r = Rect();
        painter.save();
        painter.setClipRect(r);
        QFont font = skin_.Font(kListFont, false).font;
        // Along the strip the text may run its whole height less a margin at each end.
        const int room = r.height() - 2 * r.width() / 3;
        const int wide = QFontMetrics(font).horizontalAdvance(text);
        if (wide > room && room > 0 && font.pixelSize() > 0)
            font.setPixelSize(std::max(font.pixelSize() * 3 / 4, font.pixelSize() * room / wide));
        painter.setFont(font);
        painter.setPen(skin_.Colour(SkinColour::Text));
        painter.translate(r.center() + QPointF(0.5, 0.5));
        painter.rotate(-90);
        const QRectF turned(-r.height() / 2.0 + r.width() / 3.0, -r.width() / 2.0,
                            r.height() - 2 * r.width() / 3.0, r.width());
        painter.drawText(
            turned, Qt::AlignCenter,
            QFontMetrics(font).elidedText(text, Qt::ElideRight, static_cast<int>(turned.width())));
        painter.restore();
    }

  private:
    const Skin& skin_;
    std::function<std::string()> text_;
};

}  // namespace

ClipEditorWWin::ClipEditorWWin(ScreenHost& host, const Skin& skin, TransportState& state,
                               TransportControl& transport, ClipEditorEnv env)
    : WWin(host, 2 /* screen index */, &skin, kClipEditorPictures),
      skin_(skin),
      state_(state),
      transport_(transport),
      env_(env) {
    using E = SkinElement;
    auto push = [&](E e, std::function<void()> callback) {
        return Add(std::make_unique<PushButtonWin>(this, skin, skin.Rect(e), std::move(callback)));
    };
    stop_ = Add(std::make_unique<ToggleButtonWin>(
        this, skin, skin.Rect(E::CStop), [this](bool on) { OnStop(on); }, true));
    play_ = Add(std::make_unique<ToggleButtonWin>(this, skin, skin.Rect(E::CPlay),
                                                  [this](bool on) { OnPlay(on); }));
    ProjectState& project = *env_.project;
    insert_ = push(E::CInsert, [this] { InsertClip(); });
    up_ = push(E::CUp, [&project] { MoveUp(project); });
    down_ = push(E::CDown, [&project] { MoveDown(project); });
    remove_ = push(E::CRemove, [&project] { RemoveCurrent(project); });
    rotText_ = Add(std::make_unique<TurnedTextWin>(
        this, skin, skin.Rect(E::CRotText), [&project] { CycleDisplayMode(project); },
        [&project] { return project.name; }));
}

ClipEditorWWin::~ClipEditorWWin() {
    DestroyListView();
}

void ClipEditorWWin::Activate() {
    WWin::Activate();
    transport_.Bind(this);
    bound_ = true;
    stop_->SetState(!Playing());
    play_->SetState(Playing());
    host_.EnableEditPopup(false);
    CreateListView();
    FillClipList();
    RefreshMenuState();
}

void ClipEditorWWin::Deactivate() {
    if (state_ != TransportState::Stopped) StopPlayback();
    ShowStopped();
    if (bound_) transport_.Bind(nullptr);
    bound_ = false;
    WWin::Deactivate();
    DestroyListView();
    EnablePublishItems(false);
    // The other screens find the Edit popup as they left it.
    host_.EnableEditPopup(true);
}

void ClipEditorWWin::RefreshMenuState() {
    EnablePublishItems(true);
}

void ClipEditorWWin::EnablePublishItems(bool enabled) {
    const Settings& settings = *env_.settings;
    host_.EnableMenuItem(cmd::PublishClip, enabled);
    host_.EnableMenuItem(cmd::PublishClipList, enabled);
    if (settings.EnableToFile) {
        host_.EnableMenuItem(cmd::ClipToFile, enabled);
        host_.EnableMenuItem(cmd::ClipListToFile, enabled);
    }
    if (settings.FastPublishFormat != 0) {
        host_.EnableMenuItem(cmd::FastClip, enabled);
        host_.EnableMenuItem(cmd::FastClipList, enabled);
    }
}

void ClipEditorWWin::CreateListView() {
    if (list_ || !env_.area) return;
    ClipListViewEvents events;
    events.rowSelected = [this](int row) { OnRowSelected(row); };
    events.playKey = [this] {
        if (Playing()) {
            StopPlayback();
        } else {
            StartPlayback(true);
        }
    };
    events.mayEdit = [this](int) { return !Playing() && !env_.project->activity.playing; };
    events.renamed = [this](int row, const std::string& text) { OnRenamed(row, text); };
    list_ = new ClipListView(env_.area, skin_.Font(kListFont, false).font, std::move(events));
    list_->setObjectName(QString::number(cmd::ClipListNotify));
    list_->SetColours(skin_.Colour(SkinColour::TextBackground), skin_.Colour(SkinColour::Text),
                      skin_.Colour(SkinColour::Waveform));
    // Inside the panel's rounded edge.
    const QRect panel = skin_.Scaled(SkinElement::CWindow);
    const int inset = std::max(1, static_cast<int>(2 * skin_.ScaleX()));
    list_->setGeometry(panel.adjusted(inset, inset, -inset, -inset));
    list_->show();
}

void ClipEditorWWin::DestroyListView() {
    delete list_.data();
    list_ = nullptr;
}

void ClipEditorWWin::FillClipList() {
    if (!list_) return;
    ProjectState& project = *env_.project;
    project.clips.filling = true;
    list_->Fill(ClipListRows(project), env_.settings->DetailedClipList != 0);
    project.clips.filling = false;
    // The list takes the keys unless the reporter is typing elsewhere (the text editor).
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus == env_.area || focus == list_ || list_->isAncestorOf(focus))
        list_->setFocus();
    // A new or opened project brings its name.
    host_.InvalidateRect(rotText_->Rect());
}

void ClipEditorWWin::EndEditing() {
    if (list_) list_->EndEditing();
}

void ClipEditorWWin::OnRowSelected(int row) {
    ProjectState& project = *env_.project;
    ClipList& list = project.clips;
    if (list.filling) return;
    if (row >= static_cast<int>(list.entries.size())) {
        list.totalRowSelected = true;
        return;
    }
    list.totalRowSelected = false;
    if (row == list.current) return;
    if (Playing()) StopPlayback();
    if (SelectClip(project, row)) project.edit.cursor = project.edit.rec.cropBegin;
    project.RefreshScreens();
}

void ClipEditorWWin::OnRenamed(int row, const std::string& text) {
    ProjectState& project = *env_.project;
    ClipList& list = project.clips;
    if (list.filling || Playing() || row != list.current) return;
    // A name confirmed unchanged leaves a plain recording plain.
    const ClipEntry& entry = list.entries[static_cast<size_t>(row)];
    if (text == (entry.clipName.empty() ? entry.name : entry.clipName)) return;
    // RenameClip makes the entry current and has the list refilled.
    RenameClip(project, text);
}

void ClipEditorWWin::OnStop(bool pressed) {
    // Stop is lit already: nothing to stop.
    if (!pressed) return;
    StopPlayback();
}

void ClipEditorWWin::OnPlay(bool) {
    // A press on a lit Play leaves playback running.
    if (!Playing()) StartPlayback(false);
}

void ClipEditorWWin::StartPlayback(bool single) {
    ProjectState& project = *env_.project;
    ClipList& list = project.clips;
    if (Playing() || project.activity.Busy() || list.totalRowSelected) return;
    if (list.current < 0 || list.current >= static_cast<int32_t>(list.entries.size())) return;
    // A recording opened outside the list ("Open clip") gives way to the selected clip.
    if (project.selectedClip != list.current && !SelectClip(project, list.current)) return;
    list.singleClip = single;
    project.edit.cursor = project.edit.rec.cropBegin;
    state_ = TransportState::Playing;
    stop_->SetState(false);
    play_->SetState(true);
    if (!transport_.StartPlayingClips(project.edit.cursor)) ShowStopped();
}

void ClipEditorWWin::StopPlayback() {
    if (state_ != TransportState::Stopped) transport_.StopPlaying();
    ShowStopped();
}

void ClipEditorWWin::ShowStopped() {
    state_ = TransportState::Stopped;
    stop_->SetState(true);
    play_->SetState(false);
}

void ClipEditorWWin::TransportEnded() {
    ShowStopped();
}

void ClipEditorWWin::InsertClip() {
    ProjectState& project = *env_.project;
    if (project.activity.Busy() || Playing()) return;
    FileDialogRequest request;
    request.title = "Open Filename";
    if (project.mp2) {
        request.filters = {{"mp2 (*.mp2)", "*.mp2"}};
    } else {
        request.filters = {{"Wave (*.wav)", "*.wav"}};
    }
    request.startFolder = project.folder;
    request.mustExist = true;
    if (const auto path = Ui().OpenFileDialog(request)) AddClipFromFile(project, *path);
}

}  // namespace mora
