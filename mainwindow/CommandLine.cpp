#include "mainwindow/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <variant>

#include "composer/ScrapComposer.h"
#include "composer/ScrapGif.h"
#include "gui/core/RuntimeError.h"
#include "version/Version.h"

namespace {

const char* const Usage = "Usage: dururive [--save-gif FILE [--style 1|2] TEXT]\n";

const char* const Help =
    "Turns a short line of text into glitter letters.\n"
    "\n"
    "Without arguments, opens the main window.\n"
    "\n"
    "  --save-gif FILE  write TEXT as one animated GIF to FILE, without a window\n"
    "  --style 1|2      the picture style: 1 (the default) small pink letters,\n"
    "                   2 large red ones\n"
    "  -h, --help       show this help and exit\n"
    "  -v, --version    show the version and exit\n"
    "\n"
    "Letters a to z (either case) become pictures, a space starts a new line,\n"
    "anything else is left out. TEXT holds at most 20 characters.\n"
    "Exit status: 0 done, 1 the GIF could not be written, 2 a usage error.\n";

int UsageError(const QString& what) {
    std::fprintf(stderr, "dururive: %s\n%s", qPrintable(what), Usage);
    return 2;
}

struct Request {
    QString file;
    int style = 1;
    QString text;
};

// The request the arguments make, or the usage error they are.
std::variant<Request, QString> Read(const QCommandLineParser& parser) {
    Request request;
    request.file = parser.value("save-gif");
    if (request.file.isEmpty()) return QStringLiteral("--save-gif needs a FILE");
    if (parser.isSet("style")) {
        const QString style = parser.value("style");
        if (style != "1" && style != "2")
            return QStringLiteral("--style takes 1 or 2, not '%1'").arg(style);
        request.style = style.toInt();
    }
    if (parser.positionalArguments().isEmpty()) return QStringLiteral("no TEXT to save");
    request.text = parser.positionalArguments().join(u' ');
    if (request.text.size() > InputBoxLimit) {
        return QStringLiteral("the text has %1 characters; at most %2 fit")
            .arg(request.text.size())
            .arg(InputBoxLimit);
    }
    return request;
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{{"h", "help"}, "help"},
                       {{"v", "version"}, "version"},
                       {"save-gif", "file", "FILE"},
                       {"style", "style", "1|2"}});
    if (!parser.parse(QCoreApplication::arguments())) return UsageError(parser.errorText());
    if (parser.isSet("help")) {
        std::printf("%s\n%s", Usage, Help);
        return 0;
    }
    if (parser.isSet("version")) {
        std::printf("dururive %s\n", ProjectVersion);
        return 0;
    }
    if (!parser.isSet("save-gif")) {
        return UsageError(parser.isSet("style") ? QStringLiteral("--style goes with --save-gif")
                                                : QStringLiteral("TEXT goes with --save-gif"));
    }
    const auto request = Read(parser);
    if (const auto* error = std::get_if<QString>(&request)) return UsageError(*error);
    const Request& save = std::get<Request>(request);
    try {
        SaveScrapGif(save.file, save.text, save.style);
    } catch (const runtime::RuntimeError& error) {
        std::fprintf(stderr, "dururive: %s\n", qPrintable(error.Message()));
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dururive: %s\n", error.what());
        return 1;
    }
    return 0;
}
