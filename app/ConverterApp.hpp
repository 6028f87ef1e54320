#pragma once

#include <QApplication>

#include "app/DesktopPrompts.hpp"

// The application: owns the Qt application object and the desktop's prompts, and runs the main
// window for as long as the process lives.
class CConverterApp {
  public:
    // Sets up the application from the process's command line, whose arguments are books.
    CConverterApp(int& argc, char** argv);

    // Shows the main window centred on the screen, with the books of the command line in its
    // list, and returns false once it has been closed.
    bool InitInstance();

  private:
    QApplication Application;
    CDesktopPrompts Prompts;
};
