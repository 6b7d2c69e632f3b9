// Writes the files that make the fifteen tools fifteen installed programs,
// from the tool table and the command table, into a folder laid out as the
// installation is (cmake --install copies it):
//   bin/folioforge-<tool>                  a launcher per tool
//   lib/folioforge/tools/<Tool>/           the program linked beside the tool's Data.dat and icon
//   share/applications/<id>.desktop        a menu entry per tool
//   share/icons/hicolor/<n>x<n>/apps/      the tools' icons
//   share/metainfo/                        the family's AppStream data
//   share/man/man1/folioforge-cli.1        the command-line companion's manual
//   share/bash-completion/completions/     its completion
// Usage: makeinstallfiles <resources folder> <output folder>

#include "brandingrecord.h"
#include "command.h"
#include "help.h"
#include "tooltable.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QTextStream>

namespace {

bool write(const QString& path, const QByteArray& bytes, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    return true;
}

const cli::Command* commandOf(const ToolRow& row)
{
    for (const cli::Command& c : cli::commands())
        if (c.tool == row.tool)
            return cli::findCommand(c.name);
    return nullptr;
}

QString mimeTypes(ToolRow::Files files)
{
    switch (files) {
    case ToolRow::Files::Images:
        return QStringLiteral("image/*;");
    case ToolRow::Files::Text:
        return QStringLiteral("text/plain;");
    case ToolRow::Files::Pdf:
        break;
    }
    return QStringLiteral("application/pdf;");
}

QString launcher(const ToolRow& row)
{
    return QStringLiteral(
               "#!/bin/sh\n"
               "# Starts Folioforge as the %1: the program linked into that tool's folder,\n"
               "# beside its Data.dat and icon. Files named here open in the tool's list.\n"
               "here=$(dirname \"$(readlink -f \"$0\")\")\n"
               "exec \"$here/../lib/folioforge/tools/%2/folioforge\" \"$@\"\n")
        .arg(QString::fromLatin1(row.name), row.storedName());
}

QString desktopEntry(const ToolRow& row, const QString& comment)
{
    const bool single = row.count == ToolRow::Count::SingleFile;
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "GenericName=PDF Tool\n"
                          "Comment=%2\n"
                          "Exec=%3 %4\n"
                          "Icon=%5\n"
                          "Terminal=false\n"
                          "Categories=Office;Graphics;Viewer;\n"
                          "MimeType=%6\n"
                          "Keywords=PDF;Folioforge;\n")
        .arg(QString::fromLatin1(row.name), comment, row.launcherName(), single ? QStringLiteral("%f") : QStringLiteral("%F"),
             row.desktopId(), mimeTypes(row.files));
}

// The manual page of a tool's launcher.
QString launcherManual(const ToolRow& row, const QString& summary)
{
    QString name = row.launcherName();
    name.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    const bool single = row.count == ToolRow::Count::SingleFile;
    return QStringLiteral(".TH %1 1 \"\" \"folioforge %2\" \"User Commands\"\n"
                          ".SH NAME\n%3 \\- Folioforge %4: %5\n"
                          ".SH SYNOPSIS\n.B %3\n[\\fIFILE\\fR%6]\n"
                          ".SH DESCRIPTION\n"
                          "Opens the Folioforge %4 window. %7\n"
                          ".SH SEE ALSO\n\\fBfolioforge\\-cli\\fR(1), which runs the same tool from a shell.\n")
        .arg(name.toUpper(), QStringLiteral(FOLIO_VERSION), name, QString::fromLatin1(row.name), summary,
             single ? QString() : QStringLiteral("..."),
             single ? QStringLiteral("A file named on the command line is selected, as \\(lqSelect File\\(rq would.")
                    : QStringLiteral("Files named on the command line are added to its list, as dropped files are."));
}

QString escapeXml(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&amp;")).replace(QLatin1Char('<'), QStringLiteral("&lt;"))
        .replace(QLatin1Char('>'), QStringLiteral("&gt;"));
}

QString metainfo()
{
    QString tools, launchables, binaries;
    for (const ToolRow& row : toolTable()) {
        const cli::Command* command = commandOf(row);
        tools += QStringLiteral("      <li>%1: %2</li>\n")
                     .arg(QString::fromLatin1(row.name), escapeXml(command ? command->summary : QString()));
        launchables += QStringLiteral("  <launchable type=\"desktop-id\">%1.desktop</launchable>\n").arg(row.desktopId());
        binaries += QStringLiteral("    <binary>%1</binary>\n").arg(row.launcherName());
    }
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<component type=\"desktop-application\">\n"
               "  <id>org.folioforge.Folioforge</id>\n"
               "  <metadata_license>CC0-1.0</metadata_license>\n"
               "  <project_license>LicenseRef-proprietary</project_license>\n"
               "  <name>Folioforge</name>\n"
               "  <summary>Fifteen small tools for PDF files</summary>\n"
               "  <developer_name>The Folioforge developers</developer_name>\n"
               "  <description>\n"
               "    <p>Folioforge is a family of small desktop tools for PDF files, each one a program of its own with its\n"
               "    own window: pick the files, look at their pages, choose the options, and press Process.</p>\n"
               "    <ul>\n%1    </ul>\n"
               "    <p>The same tools run from a shell with folioforge-cli.</p>\n"
               "  </description>\n"
               "%2"
               "  <url type=\"homepage\">https://www.folioforge.org/</url>\n"
               "  <categories>\n    <category>Office</category>\n  </categories>\n"
               "  <content_rating type=\"oars-1.1\"/>\n"
               "  <provides>\n%3    <binary>folioforge-cli</binary>\n  </provides>\n"
               "  <releases>\n    <release version=\"%4\" date=\"2026-12-07\"/>\n  </releases>\n"
               "</component>\n")
        .arg(tools, launchables, binaries, QStringLiteral(FOLIO_VERSION));
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        qWarning("usage: makeinstallfiles <resources folder> <output folder>");
        return 2;
    }
    const QDir resources(QString::fromLocal8Bit(argv[1]));
    QDir out(QString::fromLocal8Bit(argv[2]));
    out.removeRecursively();
    bool ok = true;
    for (const ToolRow& row : toolTable()) {
        const cli::Command* command = commandOf(row);
        const QString folder = QStringLiteral("lib/folioforge/tools/") + row.storedName();
        out.mkpath(folder);
        ok = ok && writeBrandingFile(out.filePath(folder + QStringLiteral("/Data.dat")), 1, row.number());
        ok = ok && QFile::copy(resources.filePath(QStringLiteral("ico/") + row.iconFileName()),
                               out.filePath(folder + QLatin1Char('/') + row.iconFileName()));
        ok = ok && QFile::link(QStringLiteral("../../folioforge"), out.filePath(folder + QStringLiteral("/folioforge")));
        ok = ok && write(out.filePath(QStringLiteral("bin/") + row.launcherName()), launcher(row).toUtf8(), true);
        ok = ok && write(out.filePath(QStringLiteral("share/man/man1/%1.1").arg(row.launcherName())),
                         launcherManual(row, command ? command->summary : QString::fromLatin1(row.name)).toUtf8());
        ok = ok && write(out.filePath(QStringLiteral("share/applications/%1.desktop").arg(row.desktopId())),
                         desktopEntry(row, command ? command->summary : QString::fromLatin1(row.name)).toUtf8());
        const QIcon icon(resources.filePath(QStringLiteral("ico/") + row.iconFileName()));
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QString path = out.filePath(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(row.desktopId()));
            out.mkpath(QFileInfo(path).path());
            ok = ok && icon.pixmap(size, size).scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation).save(path, "PNG");
        }
    }
    // The command-line companion lives beside the engine; PATH reaches it through a link.
    ok = ok && QFile::link(QStringLiteral("../lib/folioforge/folioforge-cli"), out.filePath(QStringLiteral("bin/folioforge-cli")));
    ok = ok && write(out.filePath(QStringLiteral("share/metainfo/org.folioforge.Folioforge.metainfo.xml")), metainfo().toUtf8());
    ok = ok && write(out.filePath(QStringLiteral("share/man/man1/folioforge-cli.1")), cli::manualPage().toUtf8());
    ok = ok && write(out.filePath(QStringLiteral("share/bash-completion/completions/folioforge-cli")), cli::bashCompletion().toUtf8());
    if (!ok)
        qWarning("makeinstallfiles: could not write everything into %s", argv[2]);
    return ok ? 0 : 1;
}
