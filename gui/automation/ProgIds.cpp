#include "gui/automation/ProgIds.h"

#include <QList>

namespace gui {

namespace {

QList<ProgIdEntry>& Table() {
    static QList<ProgIdEntry> table{{
        .progId = QStringLiteral("InternetExplorer.Application"),
        .service = QStringLiteral("org.dururive.Browser"),
        .factoryPath = QStringLiteral("/org/dururive/Browser"),
        .factoryInterface = QStringLiteral("org.dururive.Browser"),
        .factoryMethod = QStringLiteral("CreateWindow"),
        .program = QStringLiteral("dururive-browser"),
        .objectInterface = QStringLiteral("org.dururive.Browser.Window"),
    }};
    return table;
}

}  // namespace

std::optional<ProgIdEntry> FindProgId(const QString& progId) {
    for (const ProgIdEntry& entry : Table()) {
        if (entry.progId.compare(progId, Qt::CaseInsensitive) == 0) return entry;
    }
    return std::nullopt;
}

void RegisterProgId(const ProgIdEntry& entry) {
    for (ProgIdEntry& existing : Table()) {
        if (existing.progId.compare(entry.progId, Qt::CaseInsensitive) == 0) {
            existing = entry;
            return;
        }
    }
    Table().append(entry);
}

}  // namespace gui
