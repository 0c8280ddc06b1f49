#include "gui/automation/Introspection.h"

#include <QXmlStreamReader>

namespace gui {

namespace {

template <typename Member>
const Member* FindByName(const QList<Member>& members, const QString& name) {
    const Member* folded = nullptr;
    for (const Member& member : members) {
        if (member.name == name) return &member;
        if (!folded && member.name.compare(name, Qt::CaseInsensitive) == 0) folded = &member;
    }
    return folded;
}

bool IsBusInterface(const QString& name) {
    return name.startsWith(QLatin1String("org.freedesktop.DBus."));
}

}  // namespace

const DBusMethod* ObjectDescription::FindMethod(const QString& name) const {
    return FindByName(methods, name);
}

const DBusProperty* ObjectDescription::FindProperty(const QString& name) const {
    return FindByName(properties, name);
}

bool ParseIntrospection(const QString& xml, ObjectDescription* description, QString* error) {
    *description = {};
    QXmlStreamReader reader(xml);
    QString interface;
    DBusMethod* method = nullptr;
    int depth = 0;
    int methodDepth = -1;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement()) {
            if (depth == methodDepth) method = nullptr;
            if (reader.name() == QLatin1String("interface")) interface.clear();
            --depth;
            continue;
        }
        if (!reader.isStartElement()) continue;
        ++depth;
        const auto attributes = reader.attributes();
        const auto name = reader.name();
        if (name == QLatin1String("interface")) {
            interface = attributes.value(QLatin1String("name")).toString();
        } else if (interface.isEmpty() || IsBusInterface(interface)) {
            continue;
        } else if (name == QLatin1String("method")) {
            description->methods.append(
                {interface, attributes.value(QLatin1String("name")).toString(), {}});
            method = &description->methods.last();
            methodDepth = depth;
        } else if (name == QLatin1String("arg") && method && depth == methodDepth + 1) {
            method->arguments.append(
                {attributes.value(QLatin1String("name")).toString(),
                 attributes.value(QLatin1String("type")).toString(),
                 attributes.value(QLatin1String("direction")) != QLatin1String("out")});
        } else if (name == QLatin1String("property")) {
            const auto access = attributes.value(QLatin1String("access"));
            description->properties.append(
                {interface, attributes.value(QLatin1String("name")).toString(),
                 attributes.value(QLatin1String("type")).toString(),
                 access == QLatin1String("read") || access == QLatin1String("readwrite"),
                 access == QLatin1String("write") || access == QLatin1String("readwrite")});
        }
    }
    if (reader.hasError()) {
        *error = QStringLiteral("its introspection data is not well formed (line %1: %2)")
                     .arg(reader.lineNumber())
                     .arg(reader.errorString());
        return false;
    }
    return true;
}

}  // namespace gui
