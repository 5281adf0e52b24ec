#include "ActionTable.h"

namespace {

using G = TActionTable::TGroup;
constexpr quint16 Shift = 0x2000, Ctrl = 0x4000, Alt = 0x8000;

constexpr char16_t File[] = u"ファイル";
constexpr char16_t View[] = u"表示";
constexpr char16_t Option[] = u"オプション";
constexpr char16_t Help[] = u"ヘルプ";
constexpr char16_t Result[] = u"検索結果";

// Key codes are Windows virtual keys: 0x0D Enter, 0x1B Esc, 0x26 Up,
// 0x70 F1, 0x73 F4, 0x78 F9; letters and digits are their ASCII codes.
constexpr std::array<TActionTable::TEntry, TActionTable::Count> Table{{
    {"ActionFileOpenFile", File, u"ファイルを開く(&F)...", Ctrl | 'O', false, G::None, 0},
    {"ActionFileOpenDirectory", File, u"フォルダを開く(&D)...", Ctrl | 'F', false, G::None, 0},
    {"ActionFileGrep", File, u"検索(&G)", Ctrl | 0x0D, false, G::None, 0},
    {"ActionFileCancel", File, u"中止(&C)", 0x1B, false, G::None, 0},
    {"ActionFileExit", File, u"終了(&X)", Alt | 0x73, false, G::None, 0},
    {"ActionViewDetail", View, u"検索詳細(&D)", Ctrl | 'D', true, G::None, 0},
    {"ActionViewTargetParent", View, u"一つ上の階層へ(&U)", Ctrl | 0x26, false, G::None, 0},
    {"ActionViewFType0", View, u"ファイル名(&N)", Ctrl | '1', true, G::FileForm, TActionTable::FileName},
    {"ActionViewFType1", View, u"相対パス(&S)", Ctrl | '2', true, G::FileForm, TActionTable::RelativePath},
    {"ActionViewFType2", View, u"フルパス(&F)", Ctrl | '3', true, G::FileForm, TActionTable::FullPath},
    {"ActionViewAlignL", View, u"左揃え(&L)", Shift | Ctrl | '1', true, G::Alignment, TActionTable::AlignLeft},
    {"ActionViewAlignC", View, u"中央揃え(&C)", Shift | Ctrl | '2', true, G::Alignment, TActionTable::AlignCentre},
    {"ActionViewAlignR", View, u"右揃え(&R)", Shift | Ctrl | '3', true, G::Alignment, TActionTable::AlignRight},
    {"ActionOptionTool", Option, u"環境設定(&E)....", 0x78, false, G::None, 0},
    {"ActionOptionSubDirectory", Option, u"サブディレクトリ(&B)", Shift | Ctrl | 'B', true, G::None, 0},
    {"ActionOptionRegExpr", Option, u"正規表現(&R)", Shift | Ctrl | 'R', true, G::None, 0},
    {"ActionOptionIgnoreCase", Option, u"大文字と小文字を区別しない(&I)", Shift | Ctrl | 'I', true, G::None, 0},
    {"ActionOptionMutex", Option, u"二重起動禁止(&M)", 0, true, G::None, 0},
    {"ActionOptionAutoFilter", Option, u"自動フィルタ選択(&F)", 0, true, G::None, 0},
    {"ActionOptionAutoColumn", Option, u"位置カラム幅自動調整(&A)", 0, true, G::None, 0},
    {"ActionHelpReadme", Help, u"&readme.txt", 0, false, G::None, 0},
    {"ActionHelpOnlineHelp", Help, u"&online Help", 0x70, false, G::None, 0},
    {"ActionToolsShellExecute", Result, u"関連付け実行(&E)", 0, false, G::None, 0},
    {"ActionToolsDirectory", Result, u"ディレクトリ実行(&D)", 0, false, G::None, 0},
    {"ActionToolsProperty", Result, u"プロパティ(&P)", 0, false, G::None, 0},
    {"ActionToolsResultFileFile", Result, u"ファイルパスを検索対象に(&F)", 0, false, G::None, 0},
    {"ActionToolsResultFileDirectory", Result, u"ディレクトリパスを検索対象に(&D)", 0, false, G::None, 0},
    {"ActionToolsResultFilePath", Result, u"ファイルパスをコピー(&C)", 0, false, G::None, 0},
    {"ActionToolsResultTarget", Result, u"検索結果文字列をコピー(&T)", 0, false, G::None, 0},
    {"ActionFileSaveResult", File, u"検索結果を保存(&A)...", Ctrl | 'S', false, G::None, 0},
    {"ActionViewPreview", View, u"プレビュー(&W)", 0, true, G::None, 0},
    // Its key works in the result list only, where it copies the selected row.
    {"ActionToolsResultCopyRow", Result, u"行をコピー(&L)", Ctrl | 'C', false, G::None, 0},
    {"ActionOptionIgnoreWidth", Option, u"全角と半角を区別しない(&W)", Shift | Ctrl | 'W', true, G::None, 0},
    {"ActionOptionIgnoreKana", Option, u"ひらがなとカタカナを区別しない(&K)", Shift | Ctrl | 'K', true, G::None, 0},
    {"ActionOptionSearchArchives", Option, u"アーカイブの中も検索(&Z)", 0, true, G::None, 0},
}};

} // namespace

const std::array<TActionTable::TEntry, TActionTable::Count> &TActionTable::Entries()
{
    return Table;
}

const TActionTable::TEntry *TActionTable::Find(QStringView name)
{
    for (const TEntry &entry : Table) {
        if (name.compare(QLatin1StringView(entry.Name), Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}
