// alertworld: creates, inspects and feeds the world of machines the console administers.
#include "alertworld/WorldTool.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int rc = WorldTool::Run(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return rc;
}
