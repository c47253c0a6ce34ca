// The bare minimum a Qt Widgets program does to show the station's list: the names of
// data/names.nms beside it in a list in a main window. bench_startup starts it in turns with
// horodex.
#include "ListNames.h"

#include <QApplication>
#include <QListWidget>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList names =
        ListNames(QCoreApplication::applicationDirPath() + QStringLiteral("/data/names.nms"));
    QMainWindow window;
    auto* list = new QListWidget;
    list->setUniformItemSizes(true);
    list->addItems(names);
    window.setCentralWidget(list);
    window.show();
    return QApplication::exec();
}
