// The desktop program: the main window, then the source-data dialog, the output table and the
// minima list, then the separator shown on the main window, then the event loop.
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include <QIcon>

#include "app/DisplayCheck.h"
#include "grid/OriginGrid_u.h"
#include "minima/RemParams_u.h"
#include "ui/Application.h"
#include "ui/FileMenu.h"
#include "ui/OutGrid_u.h"
#include "ui/getdata_u.h"
#include "ui/main_u.h"
#include "util/Version.h"

int main(int argc, char** argv) {
    const std::string noDisplay = kelmora::MissingDisplayMessage(
        argc, argv, [](const char* name) { return std::getenv(name); });
    if (!noDisplay.empty()) {
        std::fprintf(stderr, "%s\n", noDisplay.c_str());
        return 1;
    }
    kelmora::TKelmoraApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelmora"));
    QApplication::setOrganizationName(QStringLiteral("Kelmora"));
    QApplication::setApplicationVersion(QString::fromLatin1(kelmora::KelmoraVersion));
    // Lets the desktop match the window to the installed entry and its icon; from the build
    // folder the theme has no such icon and the window keeps the toolkit's.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kelmora.kelmora"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.kelmora.kelmora")));
    kelmora::TMainForm mainForm;
    kelmora::TGetDataForm getDataForm(&mainForm);
    kelmora::TOutGridForm outGridForm(&mainForm);
    kelmora::TRememberParamsForm minimaForm(&mainForm);
    mainForm.SetForms(&getDataForm, &outGridForm, &minimaForm);
    mainForm.UpdateDecSepButtonClick();
    mainForm.show();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        // Inside the event loop, so that a file that cannot be opened is reported in a box.
        QTimer::singleShot(0, &mainForm,
                           [&mainForm, path = args.at(1)] { mainForm.Files->OpenFile(path); });
    }
    return QApplication::exec();
}
