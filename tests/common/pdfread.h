#pragma once

// What a PDF holds, read with QPDF directly: bookmarks, links, form fields,
// streams.

#include <qpdf/QPDF.hh>

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace testsupport {

// The file opened with QPDF (warnings kept quiet); throws when it cannot be read.
std::shared_ptr<QPDF> openPdf(const QString& path, const QString& password = QString());

// Every bookmark in depth-first order as "depth:title"; WithPage adds
// "@page" (1-based, "?" when it leads nowhere), WithTop ":top" of its /XYZ
// destination; {"error"} when the file cannot be read.
enum OutlineFields { TitleOnly = 0, WithDepth = 1, WithPage = 2, WithTop = 4 };
QStringList outlines(const QString& path, int fields = WithDepth);
// What is wrong with the links of the bookmark tree (/First, /Last, /Next,
// /Prev, /Parent, /Count); empty when nothing is.
QString outlineProblems(const QString& path);

// Link annotations as "from->to" (1-based pages), "from->?" for one that leads nowhere.
QStringList linkTargets(const QString& path);
// Fully qualified names and values of the form fields, "name=value", sorted.
QStringList formFields(const QString& path);

// The streams whose /Subtype is that name ("/Image", "/Form"), in object order.
std::vector<QPDFObjectHandle> streamsOf(QPDF& pdf, const std::string& subtype);
// A stream's data as stored, or decoded.
QByteArray streamData(QPDFObjectHandle stream, bool decoded = false);
// Whether any non-empty stream is stored without a filter (XMP metadata aside).
bool hasUncompressedStreams(const QString& path);

} // namespace testsupport
