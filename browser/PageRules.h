#pragma once

#include <QByteArray>
#include <QString>

// A local page as the browser shows it: read once from the file that passed
// the checks, so that what the engine loads is that file's content.
struct LocalPage {
    static constexpr qint64 SizeLimit = 256 * 1024;  // a scrap is a few kilobytes
    bool missing = false;
    QString refusal;  // empty when content is the page
    QByteArray content;
};

// Opens the file at path once, without following a link, and checks the
// file it opened: a regular file of this user, of at most SizeLimit bytes.
LocalPage ReadLocalPage(const QString& path);
