// The bare minimum a Qt Widgets program does to show the station's list: the names of
// data/names.nms beside it in a list in a main window. bench_startup starts it in turns with
// horodex.
#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStringList names;
    QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/data/names.nms"));
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith('"'))
                names.append(QString::fromLatin1(line.mid(1, line.indexOf('"', 1) - 1)));
        }
    }
    QMainWindow window;
    auto* list = new QListWidget;
    list->setUniformItemSizes(true);
    list->addItems(names);
    window.setCentralWidget(list);
    window.show();
    return QApplication::exec();
}
