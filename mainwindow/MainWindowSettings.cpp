// TForm1: the settings file — reading it into the window, capturing what the
// window shows, writing it back — and the input histories.

#include "MainWindow.h"

#include "FileKind.h"

#include "ColorNames.h"
#include "Cp932.h"
#include "History.h"
#include "NativePath.h"
#include "PathText.h"
#include "IniFile.h"
#include "PreviewPane.h"
#include "ResultListView.h"
#include "ShortcutCodes.h"
#include "WKSpinEdit.h"
#include "WindowDefaults.h"
#include "WindowPlacement.h"

#include <QApplication>
#include <QFileInfo>
#include <QComboBox>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include <cstdio>

namespace {

// The options a menu action holds, with their fields in the record.
struct TOptionBinding
{
    QAction *TForm1::*Action;
    bool TGrepSettings::*Field;
};
constexpr TOptionBinding OptionBindings[] = {
    {&TForm1::ActionOptionSubDirectory, &TGrepSettings::SubDirectory},
    {&TForm1::ActionOptionIgnoreCase, &TGrepSettings::IgnoreCase},
    {&TForm1::ActionOptionIgnoreWidth, &TGrepSettings::IgnoreWidth},
    {&TForm1::ActionOptionIgnoreKana, &TGrepSettings::IgnoreKana},
    {&TForm1::ActionOptionSearchArchives, &TGrepSettings::SearchArchives},
    {&TForm1::ActionOptionRegExpr, &TGrepSettings::RegExpr},
    {&TForm1::ActionOptionMutex, &TGrepSettings::Mutex},
    {&TForm1::ActionOptionAutoFilter, &TGrepSettings::AutoFilter},
    {&TForm1::ActionOptionAutoColumn, &TGrepSettings::AutoColumn},
    {&TForm1::ActionViewDetail, &TGrepSettings::Detail},
    {&TForm1::ActionViewPreview, &TGrepSettings::Preview},
};

// The three text boxes: their field in the record and the history each
// keeps (its settings section "ComboBox<tag>").
struct TTextBinding
{
    QComboBox *TForm1::*Box;
    QString TGrepSettings::*Field;
    int HistoryTag;
};
constexpr TTextBinding TextBindings[] = {
    {&TForm1::ComboBoxTarget, &TGrepSettings::Target, THistory::TargetBox},
    {&TForm1::ComboBoxFilter, &TGrepSettings::Filter, THistory::FilterBox},
    {&TForm1::ComboBoxGrep, &TGrepSettings::Grep, THistory::GrepBox},
};

} // namespace

// Shows a history's entries in its box, keeping the box's text as given. A
// path that is not UTF-8 is shown decoded and keeps its bytes in the item.
void TForm1::ShowHistory(QComboBox *box, const THistory &history, const QString &text)
{
    box->clear();
    for (const QString &item : history.Items()) {
        if (TNativePath::HasRawBytes(item))
            box->addItem(ShownPath(item), item);
        else
            box->addItem(item);
    }
    if (box == ComboBoxTarget)
        SetTargetText(text);
    else
        box->setEditText(text);
}

QStringList TForm1::ItemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        const QVariant bytes = box->itemData(i);
        items.append(bytes.isValid() ? bytes.toString() : box->itemText(i));
    }
    return items;
}

QString TForm1::BoxText(const QComboBox *box) const
{
    return box == ComboBoxTarget ? TargetPath() : box->currentText();
}

int TForm1::HistoryTagOf(const QComboBox *box) const
{
    for (const TTextBinding &binding : TextBindings) {
        if (this->*binding.Box == box)
            return binding.HistoryTag;
    }
    return -1;
}

void TForm1::AddHistory(QComboBox *box)
{
    const QString text = BoxText(box);
    THistory history(HistoryTagOf(box), ItemsOf(box), text);
    history.AddHistory(text);
    ShowHistory(box, history, history.Text());
}

void TForm1::CaptureSettings()
{
    const Qt::WindowStates state = windowState();
    Settings.WindowState = state & Qt::WindowMinimized   ? TGrepSettings::StateMinimized
                           : state & Qt::WindowMaximized ? TGrepSettings::StateMaximized
                                                         : TGrepSettings::StateNormal;
    // Only a normal window has a placement worth keeping; otherwise the
    // last normal one stays.
    if (Settings.WindowState == TGrepSettings::StateNormal) {
        Settings.Left = x();
        Settings.Top = y();
        Settings.Width = width();
        Settings.Height = height();
    }
    for (const TOptionBinding &option : OptionBindings)
        Settings.*option.Field = (this->*option.Action)->isChecked();
    Settings.FType = Display.FType;
    Settings.PAlign = Display.PAlign;
    for (const TTextBinding &text : TextBindings)
        Settings.*text.Field = BoxText(this->*text.Box);
    Settings.SubLimit = EditSubLimit->Value();
    Settings.CodePage = qMax(0, ComboBoxCode->currentIndex());
    for (int c = 0; c < TWindowDefaults::ColumnCount; ++c)
        Settings.Columns[size_t(c)] = ListViewResult->columnWidth(c);
    if (PreviewPane->isVisible())
        Settings.PreviewHeight = PreviewPane->height();
}

void TForm1::ReadSettings(const TIniFile &file)
{
    // Every key's default is what the window shows now.
    CaptureSettings();
    for (QAction *a : ActionListMain)
        Settings.SetShortcut(a->objectName(), TShortcutCodes::FromKeySequence(a->shortcut()));
    Settings.Read(file);

    // The stored placement, fitted to the screens there are now.
    QList<QRect> screens;
    for (QScreen *screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    const QRect placement =
        TWindowPlacement::Fit(Settings.Left, Settings.Top, Settings.Width, Settings.Height, screens,
                              QRect(TWindowDefaults::Left, TWindowDefaults::Top, width(), height()));
    move(placement.topLeft());
    resize(placement.size());

    for (const TOptionBinding &option : OptionBindings)
        (this->*option.Action)->setChecked(Settings.*option.Field);
    Display.AutoColumn = Settings.AutoColumn;
    Display.FindColor = TColorNames::ToQColor(Settings.FindColor, palette());
    Display.MarkColor = TColorNames::ToQColor(Settings.MarkColor, palette());
    TCp932::FromQString(Settings.HeadString, Display.HeadString);
    TCp932::FromQString(Settings.EndString, Display.EndString);

    EditSubLimit->SetFValue(Settings.SubLimit);
    ComboBoxCode->setCurrentIndex(Settings.CodePage);
    for (const TTextBinding &binding : TextBindings) {
        QComboBox *box = this->*binding.Box;
        const QString text = Settings.*binding.Field;
        THistory history(binding.HistoryTag, ItemsOf(box), text);
        history.LoadHistory(file);
        ShowHistory(box, history, text);
    }
    for (int c = 0; c < TWindowDefaults::ColumnCount; ++c)
        ListViewResult->setColumnWidth(c, Settings.Columns[size_t(c)]);
    for (QAction *a : ActionListMain)
        a->setShortcuts(TShortcutCodes::ToKeySequences(Settings.ShortcutOf(a->objectName())));
}

void TForm1::FinishSettings()
{
    if (Settings.WindowState == TGrepSettings::StateMaximized)
        setWindowState(Qt::WindowMaximized);
    else if (Settings.WindowState == TGrepSettings::StateMinimized)
        setWindowState(Qt::WindowMinimized);
    const QList<QAction *> forms{ActionViewFType0, ActionViewFType1, ActionViewFType2};
    const QList<QAction *> aligns{ActionViewAlignL, ActionViewAlignC, ActionViewAlignR};
    ActionViewFTypeExecute(forms[qBound(0, Settings.FType, 2)]);
    ActionViewAlignExecute(aligns[qBound(0, Settings.PAlign, 2)]);
}

void TForm1::WriteSettings(TIniFile &file)
{
    CaptureSettings();
    // Colours, marks and shortcut codes are written back as they were read.
    Settings.Write(file, [this](TIniFile &f) {
        for (const TTextBinding &binding : TextBindings) {
            const QComboBox *box = this->*binding.Box;
            THistory(binding.HistoryTag, ItemsOf(box), BoxText(box)).SaveHistory(f);
        }
    });
    SaveTools(file);
}

void TForm1::LoadSettingsFile()
{
    if (SettingsPath.isEmpty())
        return;
    TIniFile file;
    const TFileKind::Kind kind = TFileKind::Of(SettingsPath);
    // A device, FIFO or folder in the settings file's place (the usual
    // "ln -s /dev/null kestu.ini") means: keep no settings. It is never
    // read (a FIFO would block the start) and never written.
    if (kind == TFileKind::File)
        file.LoadFromFile(SettingsPath); // an unreadable file gives the defaults
    ReadSettings(file);
    LoadTools(file, kind == TFileKind::File);
}

bool TForm1::SaveSettingsFile()
{
    if (SettingsPath.isEmpty())
        return true;
    if (const TFileKind::Kind kind = TFileKind::Of(SettingsPath); kind == TFileKind::Other || kind == TFileKind::Folder)
        return true; // keep no settings, as at the start (LoadSettingsFile)
    TIniFile file;
    QString reason;
    // The window writes into the file as it stands, so sections it does not
    // own (the tools') stay; a file it cannot read is not written over.
    if (file.LoadFromFile(SettingsPath, &reason)) {
        WriteSettings(file);
        if (file.SaveToFile(SettingsPath, &reason))
            return true;
    }
    if (ClosingForSignal) {
        const QString line = QStringLiteral("kestu: 設定を保存できませんでした: %1: %2\n").arg(SettingsPath, reason);
        fputs(line.toUtf8().constData(), stderr);
        fflush(stderr);
        SignalCloseFailed = true;
        return false;
    }
    QMessageBox box(QMessageBox::Warning, AppCaption(),
                    QStringLiteral("設定を保存できませんでした: %1\n%2").arg(SettingsPath, reason),
                    QMessageBox::Ok, this);
    box.exec();
    return false;
}

void TForm1::CloseForSignal()
{
    ClosingForSignal = true;
    // A menu, box or dialog open at this moment runs an event loop of its
    // own, and would keep the program alive until someone answers it:
    // nobody will. Each is closed as if cancelled.
    for (int left = 16; left > 0; --left) {
        QWidget *open = QApplication::activePopupWidget();
        if (!open)
            open = QApplication::activeModalWidget();
        if (!open)
            break;
        open->close();
    }
    close();
}
