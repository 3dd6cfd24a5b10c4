// Mora's main program.

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "app/mora_app.h"
#include "app/startup.h"
#include "platform/program_dir.h"
#include "platform/trace.h"
#include "ui/qt_ui.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments();
    args.removeFirst();
    std::string commandLine = args.join(' ').toStdString();
    // The program works in its own folder, so a project path from the shell is made whole
    // against the folder it was given in.
    if (mora::IsProjectPathArgument(commandLine)) {
        commandLine =
            QFileInfo(QString::fromStdString(commandLine)).absoluteFilePath().toStdString();
    }
    if (chdir(mora::ProgramDir().c_str()) != 0) {
        mora::Trace("cannot enter the program folder %s", mora::ProgramDir().c_str());
    }

    mora::QtUi ui;
    mora::SetUi(&ui);
    int code = 0;
    {
        mora::MoraApp mora(commandLine, &ui);
        if (mora.InitInstance()) code = mora.Run();
    }
    mora::SetUi(nullptr);
    return code;
}
