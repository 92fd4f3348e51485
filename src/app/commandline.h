// The program's command line: --help, --help-all (with Qt's own options)
// and --version, answered on stdout before any window, settings file or
// device is touched (they work without a display). Everything else on the command line is left to
// Qt (-platform, -style, ...).
#ifndef PXRQ60_APP_COMMANDLINE_H
#define PXRQ60_APP_COMMANDLINE_H

// The exit code when the command line asked for help or the version and the
// answer has been printed; -1 when the program should start.
int answerCommandLine(int argc, char *argv[]);

#endif
