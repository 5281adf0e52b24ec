#pragma once
// Prints a search's hits to standard output as they arrive, and its final
// status and messages to standard error.

#include "GrepReporter.h"
#include "GrepResult.h"

#include <QByteArray>
#include <cstdio>
#include <vector>

class TCliReporter : public TGrepReporter
{
public:
    TCliReporter(std::vector<TGrepResult> &hitList, bool json, bool colour, FILE *out, FILE *err);
    ~TCliReporter() override;

    void UpdateStatus(const QString &targets, const QString &hits, const QString &state) override;
    void ShowHitCount(qsizetype count) override;
    void SearchDone() override;
    void ShowMessage(const QString &text, bool warning) override;

    qsizetype HitsPrinted() const { return Printed; }
    bool MessageShown() const { return Messages > 0; }

    // One hit in the two output forms (exposed for the tests).
    static QByteArray FormatPlain(const TGrepResult &hit, bool colour);
    static QByteArray FormatJson(const TGrepResult &hit);

private:
    void Flush();

    std::vector<TGrepResult> &HitList;
    bool Json;
    bool Colour;
    FILE *Out;
    FILE *Err;
    QByteArray Pending;
    qsizetype Printed = 0;
    int Messages = 0;
    QString LastStatus[3];
};
