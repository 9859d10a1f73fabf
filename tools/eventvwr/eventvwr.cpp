// eventvwr: the event viewer stand-in the hardware console starts. It lists
// the event log (newest last) in a table; a second start raises the window
// of the one that runs.
#include "EventLogLines.h"
#include "QtConsoleInstance.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    panelaid::QtConsoleInstance instance;
    if (instance.Claim("EVENTVWR") == panelaid::ConsoleInstance::Claim::OtherRaised) return 0;
    const std::vector<eventvwr::EventRow> rows = eventvwr::ReadEventLog();
    QTableWidget table(static_cast<int>(rows.size()), 6);
    table.setWindowTitle(QStringLiteral("Event Viewer - Holdervane"));
    table.setHorizontalHeaderLabels({"Time", "Source", "Type", "Category", "Event", "Description"});
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const eventvwr::EventRow& e = rows[static_cast<std::size_t>(r)];
        int c = 0;
        for (const std::string* f : {&e.time, &e.source, &e.type, &e.category, &e.id, &e.text})
            table.setItem(r, c++, new QTableWidgetItem(QString::fromStdString(*f)));
    }
    table.horizontalHeader()->setStretchLastSection(true);
    table.resize(900, 500);
    table.show();
    table.scrollToBottom();
    instance.SetWindow(&table);
    return app.exec();
}
