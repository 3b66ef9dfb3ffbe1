#pragma once
// The console's command line:
//   --screenshot FILE [--after MS]   start as usual; MS milliseconds (default 1500) after the
//                                    main window shows, save a picture of it as PNG and end (0)
//   --signal-termination             signal the termination event of this world and end (0)
//   --select PATH                    select the tree item at PATH once the console has settled
//   --lang en|zh                     the language of the interface (default: the locale's
//                                    English, else Traditional Chinese)
// Options are declared in one table in CommandLine.cpp; add new ones there.
#include <QString>
#include <QStringList>

class CCommandLine {
public:
    // False with *error set for an unknown option or a missing/invalid value.
    bool Parse(const QStringList& arguments, QString* error);

    QString screenshotPath;
    int screenshotAfterMs = 1500;
    bool signalTermination = false;
    // Written by later options.
    QString dumpPath;
    QString selectPath;
    QString language;
};
