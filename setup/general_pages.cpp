// The pages that only set fields: "New Project", "Publish", "Tandem", "Audio", "Options1" and
// "Options2".

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "audio/rate_measurement.h"
#include "platform/ui_services.h"
#include "setup/pages.h"

namespace mora {
namespace {

// A group box holding `widgets` in a row (or a column).
QGroupBox* Group(QWidget* parent, const QString& title, std::initializer_list<QWidget*> widgets,
                 bool vertical = false) {
    auto* box = new QGroupBox(title, parent);
    QBoxLayout* layout = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(box))
                                  : static_cast<QBoxLayout*>(new QHBoxLayout(box));
    for (QWidget* w : widgets) layout->addWidget(w);
    layout->addStretch(1);
    return box;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The path without the extension of its file name.
std::string WithoutExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1)
        return path;
    return path.substr(0, dot);
}

class NewProjectPage : public SetupPage {
  public:
    NewProjectPage(SetupState& state, QWidget* parent) : SetupPage(state, parent) {
        auto* select = Button(1035, "Select\nfolder+\nname");
        path_ = new QLabel(this);
        path_->setObjectName("1036");
        path_->setWordWrap(true);
        path_->setFrameShape(QFrame::StyledPanel);
        path_->setMinimumHeight(select->sizeHint().height());
        useTemplate_ = Check(1089, "");
        auto* chooseTemplate = Button(1090, "Select template text:");
        template_ = new QLabel(this);
        template_->setObjectName("1037");
        template_->setWordWrap(true);
        template_->setFrameShape(QFrame::StyledPanel);
        wav_ = Radio(1021, "wav");
        mp2_ = Radio(1022, "mp2");
        stereo_ = Check(1108, "Stereo");
        bitrate_ = Combo(1085);
        for (int rate : {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256})
            bitrate_->addItem(QString::number(rate));

        auto* grid = new QGridLayout(this);
        grid->addWidget(Heading("New project"), 0, 0, 1, 3);
        grid->addWidget(select, 1, 0);
        grid->addWidget(path_, 1, 1, 1, 2);
        grid->addWidget(Heading("Template text"), 2, 0, 1, 3);
        auto* templateRow = new QHBoxLayout;
        templateRow->addWidget(useTemplate_);
        templateRow->addWidget(chooseTemplate);
        templateRow->addStretch(1);
        grid->addLayout(templateRow, 3, 0, 1, 3);
        grid->addWidget(template_, 4, 0, 1, 3);
        grid->addWidget(Group(this, "Record format", {wav_, mp2_, stereo_}), 5, 0, 1, 3);
        auto* rateRow = new QHBoxLayout;
        rateRow->addWidget(new QLabel("Bitrate(Kbps):", this));
        rateRow->addWidget(bitrate_);
        rateRow->addStretch(1);
        grid->addLayout(rateRow, 6, 0, 1, 3);
        grid->setColumnStretch(2, 1);
        grid->setRowStretch(7, 1);

        connect(select, &QPushButton::clicked, this, [this] { ChooseProject(); });
        connect(chooseTemplate, &QPushButton::clicked, this, [this] { ChooseTemplate(); });
        connect(useTemplate_, &QCheckBox::toggled, this, [this] { ShowTemplate(); });
    }

    void Fill() override {
        projectPath_ = settings_.NewProjectPath;
        templateText_ = settings_.TemplateText;
        path_->setText(Q(projectPath_));
        SetChecked(useTemplate_, settings_.UseTemplateText);
        ShowTemplate();
        SetRadio({wav_, mp2_}, {0, 1}, settings_.RecordMp2);
        SetChecked(stereo_, settings_.RecordStereo);
        bitrate_->setCurrentIndex(settings_.Mp2BitrateIndex < 12 ? settings_.Mp2BitrateIndex : -1);
    }

    void Store() override {
        settings_.NewProjectPath = projectPath_;
        settings_.TemplateText = templateText_;
        settings_.UseTemplateText = IsChecked(useTemplate_);
        settings_.RecordMp2 =
            static_cast<uint8_t>(RadioValue({wav_, mp2_}, {0, 1}, settings_.RecordMp2));
        settings_.RecordStereo = IsChecked(stereo_);
        settings_.Mp2BitrateIndex =
            static_cast<uint8_t>(ComboValue(bitrate_, settings_.Mp2BitrateIndex));
        // The position is not asked for on this system.
        settings_.GetGpsPosition = 0;
    }

  private:
    void ChooseProject() {
        FileDialogRequest request;
        request.title = "Select folder+name";
        request.filters = {{"Mora Project (*.mpr)", "*.mpr"}};
        request.defaultExtension = "mpr";
        request.startFolder = FolderOf(projectPath_);
        request.proposedName = projectPath_.empty() ? "default" : NameOf(projectPath_);
        if (auto chosen = Ui().SaveFileDialog(request)) {
            projectPath_ = WithoutExtension(*chosen);
            path_->setText(Q(projectPath_));
        }
    }
    void ChooseTemplate() {
        FileDialogRequest request;
        request.title = "Select template text";
        request.filters = {{"Text (*.txt)", "*.txt"}, {"All files (*)", "*"}};
        request.startFolder = FolderOf(templateText_);
        request.mustExist = true;
        if (auto chosen = Ui().OpenFileDialog(request)) {
            templateText_ = *chosen;
            ShowTemplate();
        }
    }
    void ShowTemplate() {
        template_->setText(useTemplate_->isChecked() ? Q(templateText_)
                                                     : QString("Do not use template text"));
    }

    QLabel* path_;
    QCheckBox* useTemplate_;
    QLabel* template_;
    QRadioButton *wav_, *mp2_;
    QCheckBox* stereo_;
    QComboBox* bitrate_;
    std::string projectPath_;
    std::string templateText_;
};

class PublishPage : public SetupPage {
  public:
    PublishPage(SetupState& state, QWidget* parent) : SetupPage(state, parent) {
        bwf_ = Check(1118, "bwf header");
        country_ = Edit(1126, 4);
        org_ = Edit(1127, 4);
        user_ = Edit(1128, 4);
        ext_ = Combo(1024);
        ext_->addItems({"wav", "mp2"});
        ftp_ = Radio(1025, "FTP");
        outbox_ = Radio(1026, "Email Outbox");
        direct_ = Radio(1027, "Email direct");
        toFile_ = Check(1125, "Enable to-file");
        images_ = Check(1048, "Enable images");
        autoConnect_ = Check(1106, "Auto-connect");
        fastFormat_ = Combo(1132);
        fastFormat_->addItems({"Off", "mp2"});
        fastRate_ = Combo(1131);
        fastRate_->addItems({"32", "48", "56", "64"});

        auto* umid = new QGroupBox("bwf UMID", this);
        auto* umidRow = new QHBoxLayout(umid);
        for (auto [label, edit] :
             {std::pair{"Country", country_}, {"Org.", org_}, {"User", user_}}) {
            umidRow->addWidget(new QLabel(label, this));
            edit->setMaximumWidth(fontMetrics().horizontalAdvance("WWWWW") + 12);
            umidRow->addWidget(edit);
        }
        umidRow->addStretch(1);

        auto* grid = new QGridLayout(this);
        auto* extRow = new QHBoxLayout;
        extRow->addWidget(bwf_);
        extRow->addSpacing(16);
        extRow->addWidget(new QLabel("file extension:", this));
        extRow->addWidget(ext_);
        extRow->addStretch(1);
        grid->addLayout(extRow, 0, 0, 1, 2);
        grid->addWidget(umid, 1, 0, 1, 2);
        grid->addWidget(Group(this, "Send through:", {ftp_, outbox_, direct_}), 2, 0, 1, 2);
        grid->addWidget(Group(this, "Offer", {toFile_, images_, autoConnect_}), 3, 0, 1, 2);
        auto* fast = new QGroupBox("Fast Publish", this);
        auto* fastRow = new QHBoxLayout(fast);
        fastRow->addWidget(fastFormat_);
        fastRow->addWidget(fastRate_);
        fastRow->addWidget(new QLabel("kbit/s", this));
        fastRow->addStretch(1);
        grid->addWidget(fast, 4, 0, 1, 2);
        grid->setRowStretch(5, 1);
    }

    void Fill() override {
        SetChecked(bwf_, settings_.BwfHeader);
        ShowUmid(country_, settings_.UmidCountry);
        ShowUmid(org_, settings_.UmidOrg);
        ShowUmid(user_, settings_.UmidUser);
        if (ext_->findText(Q(settings_.PublishFileExt)) < 0)
            ext_->addItem(Q(settings_.PublishFileExt));
        ext_->setCurrentText(Q(settings_.PublishFileExt));
        SetRadio({ftp_, outbox_, direct_}, {0, 1, 2}, settings_.SendThrough);
        SetChecked(toFile_, settings_.EnableToFile);
        SetChecked(images_, settings_.EnableImages);
        SetChecked(autoConnect_, settings_.AutoConnect);
        fastFormat_->setCurrentIndex(settings_.FastPublishFormat < 2 ? settings_.FastPublishFormat
                                                                     : -1);
        fastRate_->setCurrentIndex(
            settings_.FastPublishBitrateIndex < 4 ? settings_.FastPublishBitrateIndex : -1);
    }

    void Store() override {
        settings_.BwfHeader = IsChecked(bwf_);
        StoreUmid(country_, settings_.UmidCountry);
        StoreUmid(org_, settings_.UmidOrg);
        StoreUmid(user_, settings_.UmidUser);
        settings_.PublishFileExt = S(ext_->currentText());
        settings_.SendThrough = static_cast<uint8_t>(
            RadioValue({ftp_, outbox_, direct_}, {0, 1, 2}, settings_.SendThrough));
        settings_.EnableToFile = IsChecked(toFile_);
        settings_.EnableImages = IsChecked(images_);
        settings_.AutoConnect = IsChecked(autoConnect_);
        settings_.FastPublishFormat =
            static_cast<uint8_t>(ComboValue(fastFormat_, settings_.FastPublishFormat));
        settings_.FastPublishBitrateIndex =
            static_cast<uint8_t>(ComboValue(fastRate_, settings_.FastPublishBitrateIndex));
    }

  private:
    // Up to four 8-bit characters, ending at the first zero.
    static void ShowUmid(QLineEdit* edit, const std::array<uint8_t, 4>& chars) {
        QString text;
        for (uint8_t c : chars) {
            if (c == 0) break;
            text += QChar(c);
        }
        edit->setText(text);
    }
    static void StoreUmid(const QLineEdit* edit, std::array<uint8_t, 4>& chars) {
        const QByteArray bytes = edit->text().toLatin1();
        for (int i = 0; i < 4; ++i)
            chars[i] = i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0;
    }

    QCheckBox* bwf_;
    QLineEdit *country_, *org_, *user_;
    QComboBox* ext_;
    QRadioButton *ftp_, *outbox_, *direct_;
    QCheckBox *toFile_, *images_, *autoConnect_;
    QComboBox *fastFormat_, *fastRate_;
};

class TandemPage : public SetupPage {
  public:
    TandemPage(SetupState& state, QWidget* parent) : SetupPage(state, parent) {
        phantom_ = {Radio(1072, "Off"), Radio(1073, "+12V"), Radio(1075, "+24V"),
                    Radio(1077, "+48V")};
        agc_ = {Radio(1079, "Off"), Radio(1081, "Voice"), Radio(1083, "Music")};
        sensitivity_ = {Radio(1096, "Line"), Radio(1094, "Mic"), Radio(1093, "Mic +20dB")};
        limiter_ = Check(1071, "Limiter\nOn");
        unbalanced_ = Radio(1121, "Stereo\nunbalanced");
        balanced_ = Radio(1122, "2x Balanced");
        bias_ = Check(1123, "Mic Bias");
        auto* grid = new QGridLayout(this);
        grid->addWidget(
            Group(this, "Phantom", {phantom_[0], phantom_[1], phantom_[2], phantom_[3]}), 0, 0, 1,
            2);
        grid->addWidget(Group(this, "AGC", {agc_[0], agc_[1], agc_[2]}), 1, 0, 1, 2);
        grid->addWidget(
            Group(this, "Input sensitivity", {sensitivity_[0], sensitivity_[1], sensitivity_[2]}),
            2, 0, 1, 2);
        grid->addWidget(Group(this, "Input jack", {unbalanced_, balanced_}), 3, 0);
        grid->addWidget(Group(this, "", {limiter_, bias_}), 3, 1);
        grid->setRowStretch(4, 1);
    }

    void Fill() override {
        SetRadio({phantom_[0], phantom_[1], phantom_[2], phantom_[3]}, {0, 1, 2, 3},
                 settings_.Phantom);
        SetRadio({agc_[0], agc_[1], agc_[2]}, {0, 1, 2}, settings_.Agc);
        SetRadio({sensitivity_[0], sensitivity_[1], sensitivity_[2]}, {0, 1, 2},
                 settings_.InputSensitivity);
        SetChecked(limiter_, settings_.Limiter);
        SetRadio({unbalanced_, balanced_}, {1, 0}, settings_.StereoUnbalanced ? 1 : 0);
        SetChecked(bias_, settings_.MicBias);
    }

    void Store() override {
        settings_.Phantom = static_cast<uint8_t>(RadioValue(
            {phantom_[0], phantom_[1], phantom_[2], phantom_[3]}, {0, 1, 2, 3}, settings_.Phantom));
        settings_.Agc =
            static_cast<uint8_t>(RadioValue({agc_[0], agc_[1], agc_[2]}, {0, 1, 2}, settings_.Agc));
        settings_.InputSensitivity =
            static_cast<uint8_t>(RadioValue({sensitivity_[0], sensitivity_[1], sensitivity_[2]},
                                            {0, 1, 2}, settings_.InputSensitivity));
        settings_.Limiter = IsChecked(limiter_);
        // Any non-zero value means unbalanced; it is kept unless the user chose otherwise.
        const int jack = RadioValue({unbalanced_, balanced_}, {1, 0}, -1);
        if (jack == 0 || (jack == 1 && settings_.StereoUnbalanced == 0))
            settings_.StereoUnbalanced = static_cast<uint8_t>(jack);
        settings_.MicBias = IsChecked(bias_);
    }

  private:
    std::array<QRadioButton*, 4> phantom_;
    std::array<QRadioButton*, 3> agc_, sensitivity_;
    QCheckBox* limiter_;
    QRadioButton *unbalanced_, *balanced_;
    QCheckBox* bias_;
};

class AudioPage : public SetupPage {
  public:
    AudioPage(SetupState& state, QWidget* parent) : SetupPage(state, parent) {
        digitalGain_ = Check(1103, "Digital Mic gain control");
        volume_ = Check(1125, "Output volume control");
        measure_ = Button(1061, kMeasureText);
        measure_->setCheckable(true);
        rate_ = Edit(1119);
        rate_->setReadOnly(true);
        compensate_ = Check(1120, "Compensate in codecs");
        auto* box = new QGroupBox("Sample rate of the sound output", this);
        auto* row = new QHBoxLayout(box);
        row->addWidget(measure_);
        row->addWidget(rate_);
        row->addWidget(new QLabel("Hz", this));
        row->addStretch(1);
        auto* column = new QVBoxLayout(this);
        column->addWidget(digitalGain_);
        column->addWidget(volume_);
        column->addWidget(box);
        column->addWidget(compensate_);
        column->addStretch(1);
        connect(measure_, &QPushButton::toggled, this,
                [this](bool on) { on ? Start() : StopAudio(); });
    }

    void Fill() override {
        SetChecked(digitalGain_, settings_.DigitalMicGainControl);
        SetChecked(volume_, settings_.OutputVolumeControl);
        rate_->setText(QString::number(settings_.MeasuredSampleRate));
        SetChecked(compensate_, settings_.CompensateInCodecs);
    }

    void Store() override {
        settings_.DigitalMicGainControl = IsChecked(digitalGain_);
        settings_.OutputVolumeControl = IsChecked(volume_);
        settings_.CompensateInCodecs = IsChecked(compensate_);
    }

    void StopAudio() override {
        if (meter_) meter_->Stop();
        const QSignalBlocker block(measure_);
        measure_->setChecked(false);
        measure_->setText(kMeasureText);
    }

  private:
    static constexpr const char* kMeasureText = "Measure Sample-rate";

    void Start() {
        if (!state_.audio) return StopAudio();
        if (!meter_) meter_ = std::make_unique<SampleRateMeter>(*state_.audio);
        auto report = [this](const RateReport& r) {
            settings_.MeasuredSampleRate = r.rate;
            rate_->setText(QString::number(r.rate));
            measure_->setText(Q(CountdownText(r.countdown)));
        };
        const int rc = meter_->Start(settings_.MeasuredSampleRate, kMeasureBuffers, report,
                                     [this] { StopAudio(); });
        if (rc != kAudioOk) {
            StopAudio();
            Ui().MessageBox("Measure Sample-rate",
                            "The sound output cannot be opened:\n" + AudioErrorText(rc),
                            MsgIcon::Error, MsgButtons::Ok);
        }
    }

    QCheckBox *digitalGain_, *volume_, *compensate_;
    QPushButton* measure_;
    QLineEdit* rate_;
    std::unique_ptr<SampleRateMeter> meter_;
};

class Options1Page : public SetupPage {
  public:
    Options1Page(SetupState& state, QWidget* parent) : SetupPage(state, parent) {
        maxTime_ = Check(1046, "Show max. time");
        battery_ = Check(1047, "Show battery-state");
        flip_ = Check(1118, "Screen flip");
        activeSync_ = Check(1125, "Disable Activesync");
        startup_ = {Radio(1114, "Overwrite default"), Radio(1115, "Load default"),
                    Radio(1116, "Create new unique"), Radio(1117, "Load last used")};
        lite_ = Check(1107, "Lite");
        detailed_ = Check(1109, "Detailed\nlist");
        auto* grid = new QGridLayout(this);
        grid->addWidget(
            Group(this, "Record screen", {maxTime_, battery_, flip_, activeSync_}, true), 0, 0, 2,
            1);
        grid->addWidget(Group(this, "Mora start-up project",
                              {startup_[0], startup_[1], startup_[2], startup_[3]}, true),
                        0, 1);
        grid->addWidget(Group(this, "Layout", {lite_}), 2, 0);
        grid->addWidget(Group(this, "Clip editor", {detailed_}), 2, 1);
        grid->setRowStretch(3, 1);
    }

    void Fill() override {
        SetChecked(maxTime_, settings_.ShowMaxTime);
        SetChecked(battery_, settings_.ShowBattery);
        SetChecked(flip_, settings_.ScreenMode == 2);
        SetChecked(activeSync_, settings_.DisableActiveSync);
        SetRadio({startup_[0], startup_[1], startup_[2], startup_[3]}, {0, 1, 2, 3},
                 static_cast<int>(settings_.StartupProject));
        SetChecked(lite_, settings_.LiteLayout);
        SetChecked(detailed_, settings_.DetailedClipList);
    }

    void Store() override {
        settings_.ShowMaxTime = IsChecked(maxTime_);
        settings_.ShowBattery = IsChecked(battery_);
        // Values other than 2 all mean "not flipped"; an unchanged one is kept as it was.
        if (IsChecked(flip_)) {
            settings_.ScreenMode = 2;
        } else if (settings_.ScreenMode == 2) {
            settings_.ScreenMode = 0;
        }
        settings_.DisableActiveSync = IsChecked(activeSync_);
        settings_.StartupProject = static_cast<uint32_t>(
            RadioValue({startup_[0], startup_[1], startup_[2], startup_[3]}, {0, 1, 2, 3},
                       static_cast<int>(settings_.StartupProject)));
        settings_.LiteLayout = IsChecked(lite_);
        settings_.DetailedClipList = IsChecked(detailed_);
    }

  private:
    QCheckBox *maxTime_, *battery_, *flip_, *activeSync_, *lite_, *detailed_;
    std::array<QRadioButton*, 4> startup_;
};

class Options2Page : public SetupPage {
  public:
    Options2Page(SetupState& state, QWidget* parent) : SetupPage(state, parent) {
        exitOnClose_ = Check(1011, "Exit on\nClose");
        lowMemory_ = new QSpinBox(this);
        lowMemory_->setObjectName("1129");
        lowMemory_->setRange(0, 4095);
        auto* column = new QVBoxLayout(this);
        column->addWidget(exitOnClose_);
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel("Low memory warning (MB):", this));
        row->addWidget(lowMemory_);
        row->addStretch(1);
        column->addLayout(row);
        column->addStretch(1);
    }

    void Fill() override {
        SetChecked(exitOnClose_, settings_.ExitOnClose);
        shownMb_ = static_cast<int>(settings_.LowMemoryWarning >> 20);
        lowMemory_->setValue(shownMb_);
    }

    void Store() override {
        settings_.ExitOnClose = IsChecked(exitOnClose_);
        // Whole megabytes: a threshold that is not one is kept until the user changes it.
        if (lowMemory_->value() != shownMb_)
            settings_.LowMemoryWarning = static_cast<uint32_t>(lowMemory_->value()) << 20;
    }

  private:
    QCheckBox* exitOnClose_;
    QSpinBox* lowMemory_;
    int shownMb_ = 0;
};

}  // namespace

std::unique_ptr<SetupPage> MakeNewProjectPage(SetupState& state, QWidget* parent) {
    return std::make_unique<NewProjectPage>(state, parent);
}
std::unique_ptr<SetupPage> MakePublishPage(SetupState& state, QWidget* parent) {
    return std::make_unique<PublishPage>(state, parent);
}
std::unique_ptr<SetupPage> MakeTandemPage(SetupState& state, QWidget* parent) {
    return std::make_unique<TandemPage>(state, parent);
}
std::unique_ptr<SetupPage> MakeAudioPage(SetupState& state, QWidget* parent) {
    return std::make_unique<AudioPage>(state, parent);
}
std::unique_ptr<SetupPage> MakeOptions1Page(SetupState& state, QWidget* parent) {
    return std::make_unique<Options1Page>(state, parent);
}
std::unique_ptr<SetupPage> MakeOptions2Page(SetupState& state, QWidget* parent) {
    return std::make_unique<Options2Page>(state, parent);
}

}  // namespace mora
