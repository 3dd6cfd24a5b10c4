// The "Input EQ" page: the three bands of the input equaliser, its profiles and presets, heard
// live through the microphone or a recording while the sliders move.

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "audio/eq_audition.h"
#include "audio/eq_preset_file.h"
#include "platform/ui_services.h"
#include "setup/eq_sliders.h"
#include "setup/pages.h"

namespace mora {
namespace {

const std::vector<std::pair<std::string, std::string>> kPresetFilters = {
    {"EQ preset (*.eqp)", "*.eqp"}, {"All files (*)", "*"}};

class InputEqPage : public SetupPage {
  public:
    InputEqPage(SetupState& state, QWidget* parent) : SetupPage(state, parent) {
        state_.eqDsp.sampleRate = 44100;
        state_.eqDsp.channels = 1;
        allow_ = Check(1100, "Allow profile selection in Mora:");
        profile_ = Combo(1099, true);
        profile_->setInsertPolicy(QComboBox::NoInsert);
        eqOn_ = Check(1067, "EQ\nEnable");
        bands_ = {Radio(1052, "High"), Radio(1053, "Mid"), Radio(1054, "Low")};
        bandOn_ = Check(1055, "On");
        const std::array<std::pair<int, const char*>, 3> sliders = {
            std::pair{1058, "F(Hz)"}, {1059, "G(dB)"}, {1060, "Q"}};
        const std::array<int, 3> fields = {1062, 1063, 1064};
        auto* sliderGrid = new QGridLayout;
        for (int i = 0; i < 3; ++i) {
            slider_[i] = new QSlider(Qt::Vertical, this);
            slider_[i]->setObjectName(QString::number(sliders[i].first));
            slider_[i]->setRange(0, kEqSliderMax);
            slider_[i]->setInvertedAppearance(true);  // position 0 at the top
            slider_[i]->setInvertedControls(true);
            slider_[i]->setMinimumHeight(110);
            field_[i] = Edit(fields[i]);
            field_[i]->setAlignment(Qt::AlignRight);
            field_[i]->setMaximumWidth(fontMetrics().horizontalAdvance("000000") + 14);
            auto* label = new QLabel(sliders[i].second, this);
            sliderGrid->addWidget(label, 0, i, Qt::AlignHCenter);
            sliderGrid->addWidget(slider_[i], 1, i, Qt::AlignHCenter);
            sliderGrid->addWidget(field_[i], 2, i, Qt::AlignHCenter);
            connect(slider_[i], &QSlider::valueChanged, this,
                    [this, i](int p) { SliderMoved(i, p); });
        }
        field_[0]->setValidator(new QIntValidator(1, 65535, this));
        field_[1]->setValidator(new QDoubleValidator(-99.9, 99.9, 1, this));
        field_[2]->setReadOnly(true);
        overall_ = new QSlider(Qt::Horizontal, this);
        overall_->setObjectName("1101");
        overall_->setRange(0, kGainSliderMax);
        overallField_ = Edit(1102);
        overallField_->setReadOnly(true);
        overallField_->setAlignment(Qt::AlignRight);
        overallField_->setMaximumWidth(fontMetrics().horizontalAdvance("00000") + 14);
        monitor_ = Button(1065, "Monitor");
        monitor_->setCheckable(true);
        play_ = Button(1066, "Play file");
        play_->setCheckable(true);
        auto* load = Button(1068, "Load\npreset");
        auto* save = Button(1069, "Save\npreset");

        auto* top = new QHBoxLayout;
        top->addWidget(allow_);
        top->addStretch(1);
        top->addWidget(new QLabel("Profile", this));
        top->addWidget(profile_, 1);
        auto* bandBox = new QGroupBox("Band", this);
        auto* bandColumn = new QVBoxLayout(bandBox);
        for (QRadioButton* b : bands_) bandColumn->addWidget(b);
        bandColumn->addSpacing(6);
        bandColumn->addWidget(bandOn_);
        bandColumn->addStretch(1);
        auto* buttons = new QGridLayout;
        buttons->addWidget(monitor_, 0, 0);
        buttons->addWidget(play_, 0, 1);
        buttons->addWidget(load, 1, 0);
        buttons->addWidget(save, 1, 1);
        auto* left = new QVBoxLayout;
        left->addWidget(eqOn_);
        left->addWidget(bandBox, 1);
        auto* middle = new QHBoxLayout;
        middle->addLayout(left);
        middle->addLayout(sliderGrid, 1);
        auto* right = new QVBoxLayout;
        right->addLayout(buttons);
        right->addStretch(1);
        middle->addLayout(right);
        auto* gainRow = new QHBoxLayout;
        gainRow->addWidget(new QLabel("Overall gain (dB)", this));
        gainRow->addWidget(overall_, 1);
        gainRow->addWidget(overallField_);
        auto* column = new QVBoxLayout(this);
        column->addLayout(top);
        column->addLayout(middle, 1);
        column->addLayout(gainRow);

        for (int b = 0; b < 3; ++b)
            connect(bands_[b], &QRadioButton::toggled, this, [this, b](bool on) {
                if (on && !filling_) SelectBand(b);
            });
        connect(bandOn_, &QCheckBox::clicked, this, [this](bool on) {
            settings_.EqBands[band_].Enabled = on ? 1 : 0;
            Changed();
        });
        connect(eqOn_, &QCheckBox::clicked, this, [this](bool on) {
            settings_.EqOn = on ? 1 : 0;
            ResetInputState(state_.eqDsp);
            dirty_ = true;
            ComputeAllSections(state_.eqDsp, settings_, 0);
        });
        connect(overall_, &QSlider::valueChanged, this, [this](int p) {
            if (filling_) return;
            settings_.EqOverallGain = SliderOverallGain(p);
            overallField_->setText(QString::number(settings_.EqOverallGain));
            dirty_ = true;
            ComputeAllSections(state_.eqDsp, settings_, 0);
        });
        connect(field_[0], &QLineEdit::editingFinished, this, [this] { FrequencyTyped(); });
        connect(field_[1], &QLineEdit::editingFinished, this, [this] { GainTyped(); });
        connect(profile_, &QComboBox::activated, this, [this](int i) { SwitchProfile(i); });
        connect(monitor_, &QPushButton::toggled, this,
                [this](bool on) { on ? StartMonitor() : StopAudio(); });
        connect(play_, &QPushButton::toggled, this,
                [this](bool on) { on ? StartFile() : StopAudio(); });
        connect(load, &QPushButton::clicked, this, [this] { LoadPreset(); });
        connect(save, &QPushButton::clicked, this, [this] { SavePreset(); });
    }

    ~InputEqPage() override { audition_.reset(); }

    void Fill() override {
        filling_ = true;
        SetChecked(allow_, settings_.AllowEqProfileSelection);
        profile_->clear();
        QStringList names;
        bool unnamed = false;
        for (int i = 0; i < kEqProfileCount; ++i) {
            unnamed = unnamed || settings_.EqProfiles[i].Name.empty();
            names << (unnamed ? QString("Empty%1").arg(i) : Q(settings_.EqProfiles[i].Name));
        }
        profile_->addItems(names);
        index_ = profile_->findText(Q(settings_.EqProfileName), Qt::MatchExactly);
        profile_->setCurrentIndex(index_);
        if (index_ < 0) profile_->setEditText(Q(settings_.EqProfileName));
        SetChecked(eqOn_, settings_.EqOn);
        overall_->setValue(OverallGainSlider(settings_.EqOverallGain));
        overallField_->setText(QString::number(settings_.EqOverallGain));
        bands_[band_]->setChecked(true);
        ShowBand();
        filling_ = false;
        ComputeAllSections(state_.eqDsp, settings_, 0);
    }

    void Store() override {
        settings_.AllowEqProfileSelection = IsChecked(allow_);
        const QString typed = profile_->currentText();
        if (index_ >= 0 && typed != profile_->itemText(index_) && !typed.isEmpty()) {
            settings_.EqProfiles[index_].Name = S(typed);
            settings_.EqProfileName = S(typed);
        } else if (index_ < 0 && !typed.isEmpty()) {
            settings_.EqProfileName = S(typed);
        }
        if (index_ < 0 || !dirty_) return;
        EqProfile& p = settings_.EqProfiles[index_];
        p.Bands = settings_.EqBands;
        p.EqOn = settings_.EqOn;
        p.OverallGain = settings_.EqOverallGain;
    }

    void StopAudio() override {
        if (audition_) audition_->Stop();
        for (QPushButton* b : {monitor_, play_}) {
            const QSignalBlocker block(b);
            b->setChecked(false);
        }
    }

  private:
    void SelectBand(int band) {
        band_ = band;
        filling_ = true;
        ShowBand();
        filling_ = false;
    }

    // The selected band's box, sliders and fields from the record.
    void ShowBand() {
        const EqBand& b = settings_.EqBands[band_];
        SetChecked(bandOn_, b.Enabled);
        slider_[0]->setValue(FrequencySlider(band_, b.Frequency));
        slider_[1]->setValue(GainSlider(b.Gain));
        slider_[2]->setValue(QFactorSlider(b.Q));
        ShowFields();
    }
    void ShowFields() {
        const EqBand& b = settings_.EqBands[band_];
        field_[0]->setText(QString::number(b.Frequency));
        field_[1]->setText(QString::asprintf("%.1f", b.Gain / 10.0));
        field_[2]->setText(QString::asprintf("%.1f", b.Q / 10.0));
    }

    void SliderMoved(int which, int p) {
        if (filling_) return;
        EqBand& b = settings_.EqBands[band_];
        if (which == 0) b.Frequency = SliderFrequency(band_, p);
        if (which == 1) b.Gain = SliderGain(p);
        if (which == 2) b.Q = SliderQ(p);
        ShowFields();
        Changed();
    }

    void FrequencyTyped() {
        bool ok = false;
        const int hz = field_[0]->text().toInt(&ok);
        EqBand& b = settings_.EqBands[band_];
        if (ok && hz > 0 && hz <= 65535 && hz != b.Frequency) {
            b.Frequency = static_cast<uint16_t>(hz);
            MoveSlider(0, FrequencySlider(band_, hz));
            Changed();
        }
        ShowFields();
    }

    void GainTyped() {
        bool ok = false;
        const double db = field_[1]->locale().toDouble(field_[1]->text(), &ok);
        EqBand& b = settings_.EqBands[band_];
        const int tenths = ok ? static_cast<int>(std::lround(db * 10)) : b.Gain;
        if (tenths != b.Gain && tenths >= -999 && tenths <= 999) {
            b.Gain = static_cast<int16_t>(tenths);
            MoveSlider(1, GainSlider(tenths));
            Changed();
        }
        ShowFields();
    }

    void MoveSlider(int which, int p) {
        filling_ = true;
        slider_[which]->setValue(p);
        filling_ = false;
    }

    void Changed() {
        dirty_ = true;
        ComputeSection(state_.eqDsp, settings_, 0, band_);
    }

    // The edits go into the profile selected until now; the chosen one becomes current.
    void SwitchProfile(int index) {
        if (index == index_ || index < 0) return;
        Store();
        EqProfile& p = settings_.EqProfiles[index];
        if (p.Name.empty()) p.Name = S(profile_->itemText(index));
        settings_.EqProfileName = p.Name;
        settings_.EqBands = p.Bands;
        settings_.EqOn = p.EqOn;
        settings_.EqOverallGain = p.OverallGain;
        dirty_ = false;
        Fill();
    }

    // A preset names the current profile after its file.
    void TakePresetName(const std::string& path) {
        const std::string name = EqPresetName(path);
        if (name.empty()) return;
        settings_.EqProfileName = name;
        if (index_ >= 0) settings_.EqProfiles[index_].Name = name;
        dirty_ = true;
    }

    void LoadPreset() {
        StopAudio();
        FileDialogRequest request{"Load preset", kPresetFilters, "eqp", "", "", true, false};
        auto path = Ui().OpenFileDialog(request);
        if (!path) return;
        std::string error;
        if (!LoadEqPresetFile(*path, settings_.EqBands, error)) {
            Ui().MessageBox("Error", error, MsgIcon::Error, MsgButtons::Ok);
            return;
        }
        settings_.EqOn = 1;
        TakePresetName(*path);
        Store();
        Fill();
    }

    void SavePreset() {
        StopAudio();
        FileDialogRequest request{"Save preset", kPresetFilters, "eqp", "", "", false, true};
        auto path = Ui().SaveFileDialog(request);
        if (!path) return;
        std::string error;
        if (!SaveEqPresetFile(*path, settings_.EqBands, error)) {
            Ui().MessageBox("Error", error, MsgIcon::Error, MsgButtons::Ok);
            return;
        }
        TakePresetName(*path);
        Store();
        Fill();
    }

    EqAudition& Audition() {
        if (!audition_) audition_ = std::make_unique<EqAudition>(*state_.audio);
        return *audition_;
    }

    void StartMonitor() {
        StopAudio();
        if (!state_.audio) return;
        {
            const QSignalBlocker block(monitor_);
            monitor_->setChecked(true);
        }
        ComputeAllSections(state_.eqDsp, settings_, 0);
        if (const int rc = Audition().StartMonitor(state_.eqDsp); rc != kAudioOk) {
            StopAudio();
            Ui().MessageBox("Monitor",
                            "The sound input or output cannot be opened:\n" + AudioErrorText(rc),
                            MsgIcon::Error, MsgButtons::Ok);
        }
    }

    void StartFile() {
        StopAudio();
        if (!state_.audio) return;
        FileDialogRequest request{
            "Play file", {{"WAV (*.wav)", "*.wav"}, {"All files (*)", "*"}}, "wav", "", "", true,
            false};
        auto path = Ui().OpenFileDialog(request);
        if (!path) return;
        auto reader = std::make_unique<LoopingSampleReader>();
        std::string error;
        if (!reader->Open(*path, error)) {
            Ui().MessageBox("Error", error, MsgIcon::Error, MsgButtons::Ok);
            return;
        }
        {
            const QSignalBlocker block(play_);
            play_->setChecked(true);
        }
        ComputeAllSections(state_.eqDsp, settings_, 0);
        if (const int rc = Audition().StartFile(std::move(reader), state_.eqDsp); rc != kAudioOk) {
            StopAudio();
            Ui().MessageBox("Play file",
                            "The sound output cannot be opened:\n" + AudioErrorText(rc),
                            MsgIcon::Error, MsgButtons::Ok);
        }
    }

    QCheckBox *allow_, *eqOn_, *bandOn_;
    QComboBox* profile_;
    std::array<QRadioButton*, 3> bands_;
    std::array<QSlider*, 3> slider_;
    std::array<QLineEdit*, 3> field_;
    QSlider* overall_;
    QLineEdit* overallField_;
    QPushButton *monitor_, *play_;
    std::unique_ptr<EqAudition> audition_;
    int band_ = 0;
    int index_ = -1;
    bool filling_ = false;
    bool dirty_ = false;
};

}  // namespace

std::unique_ptr<SetupPage> MakeInputEqPage(SetupState& state, QWidget* parent) {
    return std::make_unique<InputEqPage>(state, parent);
}

}  // namespace mora
