// MoraSetup: the settings editor.

#include <unistd.h>

#include <QApplication>

#include "platform/program_dir.h"
#include "platform/trace.h"
#include "setup/setup_app.h"
#include "ui/qt_ui.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (chdir(mora::ProgramDir().c_str()) != 0) {
        mora::Trace("cannot enter the program folder %s", mora::ProgramDir().c_str());
    }
    mora::QtUi ui;
    mora::SetUi(&ui);
    int code = 0;
    {
        mora::SetupApp setup;
        if (setup.InitInstance()) code = setup.Run();
    }
    mora::SetUi(nullptr);
    return code;
}
