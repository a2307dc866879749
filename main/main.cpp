// The program's entry: start-up builds everything and shows the main window; the
// program then lives until its last window has closed.
#include "main/app/ui/startup.h"
#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const ostrel::StartResult started = ostrel::Main();
    int code = 0;
    if (started == ostrel::eStartRunning)
        code = app.exec();
    else if (started == ostrel::eStartFailed)
        code = 1;
    ostrel::ReleaseGlobals();
    return code;
}
