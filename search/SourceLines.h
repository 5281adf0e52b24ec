#pragma once
// The working-text lines of one file around a position, decoded with the
// code a hit recorded. Line ends are found once, as far as lines are asked
// for, so going back and forth costs nothing extra.

#include "FileReader.h"
#include "LineCursor.h"
#include "TextDecoder.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

class TSourceLines
{
public:
    struct TLine
    {
        qint64 Index = 0; // 0-based
        QByteArray Text;  // working text without its line end
    };

    // Reads and decodes the file; false when it cannot be read.
    bool Open(const QString &path, qint32 codeId);
    const QString &Path() const { return OpenPath; }

    // Lines first..last (0-based, both included), clipped to the file.
    std::vector<TLine> Lines(qint64 first, qint64 last);

    // The code-box choice that decodes a file as the given code id.
    static int ChoiceForCode(qint32 codeId);

private:
    QString OpenPath;
    TFileReader Reader;
    TDecodedText Decoded;
    std::unique_ptr<TLineCursor> Cursor;
    std::vector<std::pair<qsizetype, qsizetype>> Spans; // start and end of each line walked
};
