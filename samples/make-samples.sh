#!/usr/bin/env bash
# Regenerates the sample tree beside this script.
#
# Every text below is written in UTF-8 and converted with iconv to the
# encoding named in front of it; CR LF line ends are added before the
# conversion.  The generated files are committed too: this script only
# documents (and can reproduce) how they were made.  Output is byte-for-byte
# deterministic, so `git diff` after a rerun shows only intended changes.
#
# Usage: samples/make-samples.sh          (writes the files, then checks them)
#        samples/make-samples.sh --check  (only checks the committed files)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here"

check_only=0
[[ ${1:-} == --check ]] && check_only=1

# emit PATH ENCODING EOL  < UTF-8 text
#   ENCODING: CP932 | EUC-JP-MS | ISO-2022-JP | UTF-7 | UTF-8 | UTF-8-BOM | ASCII
#   EOL:      lf | crlf
declare -a made=()
emit() {
    local path=$1 enc=$2 eol=$3 text
    text=$(cat; echo x)          # keep trailing newlines intact
    text=${text%x}
    made+=("$path|$enc|$eol")
    ((check_only)) && return 0
    mkdir -p "$(dirname "$path")"
    if [[ $eol == crlf ]]; then
        text=$(printf '%s' "$text" | sed 's/$/\r/'; echo x)
        text=${text%x}
    fi
    case $enc in
        UTF-8-BOM) { printf '\xEF\xBB\xBF'; printf '%s' "$text"; } > "$path" ;;
        UTF-8|ASCII) printf '%s' "$text" > "$path" ;;
        *) printf '%s' "$text" | iconv -f UTF-8 -t "$enc" > "$path" ;;
    esac
}

# ---------------------------------------------------------------------------
# memo/: short memos and meeting notes
# ---------------------------------------------------------------------------

# Shift-JIS with many characters whose second byte is 0x5C '\', 0x40 '@',
# 0x5D ']' or 0x7C '|' (表 ソ 能 予 十 申 構 / 機 院 法 / 評 転 脳 余 / 竹 掛),
# plus real ASCII '\', '@', ']' and '|' so that searches have true hits too.
emit memo/2019-kaigi.txt CP932 crlf <<'EOF'
■ 定例会議 議事録（2019年4月12日）

出席：髙木、佐藤、鈴木、田中（書記）
場所：本社 3F 会議室 [B]

1. kestu の検索機能について
   - 日本語ファイルの全文検索が遅いとの報告あり。
   - ソフト側の表示が崩れる件は、文字コード判定の不具合と判明。
   - 能率を上げるため、検索結果の表示を一覧表にまとめる予定。
   - 評価用データは \\fileserver\share\kestu\data に置く。

2. 予算と予定
   - 2019年度の予算申請は十月末まで。
   - 構成変更は来年（2020年）1月に延期。
   - 機器の転送費用は院内規程（第十条）による。
   - 掛け率の見直しは次回に持ち越し。

3. 連絡先
   - 質問は kestu@example.jp まで。
   - 表計算の書式：|品名|数量|単価|

[注意] ソース一式は C:\kestu\src\ にあります。
次回：2019年5月10日（金）10:00～
EOF

emit memo/kaimono-eucjp.txt EUC-JP-MS lf <<'EOF'
買い物メモ（日曜日）

・牛乳 二本
・食パン 一斤
・卵 十個入り
・醤油（濃口）
・電池 単三形 四本
・ノート 三冊 ― 日本語の練習用

ついでに本屋で「検索の技術」という本を探すこと。
二〇一九年に出た改訂版ではなく、2021年の新版がよい。
図書館の検索端末でも在庫を確認できる。

帰りに寄るところ
・クリーニング店（上着を受け取る、引換券は財布の中）
・郵便局（書留を出す。窓口は十七時まで）
・薬局（目薬と絆創膏）

来週の予定
・月曜　歯医者　午前十時
・水曜　町内会の集まり　夜七時から公民館
・金曜　友人と夕食、駅前の和食屋を予約済み

メモ：kestu のテスト用に、この文章は EUC-JP で保存してある。
漢字、ひらがな、カタカナが十分に含まれていれば判定は難しくない。
EOF

emit memo/renraku-jis.txt ISO-2022-JP lf <<'EOF'
Subject: kestu 試用版のご案内
From: kaihatsu@example.jp
To: minna@example.jp

関係者各位

お疲れさまです。開発チームの佐藤です。
日本語テキスト検索ツール kestu の試用版ができましたのでお知らせします。

・対応文字コード：シフトJIS、EUC、JIS、UTF-8、UTF-7
・サブフォルダを含めた一括検索
・正規表現による検索（例：[0-9]+年）

この文面は JIS（ISO-2022-JP）で書かれています。
2020年3月末までにご意見をお寄せください。

以上、よろしくお願いいたします。
EOF

# Old-style readme, Shift-JIS, CR LF, with box drawing and a change history.
emit memo/old/README.OLD CP932 crlf <<'EOF'
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
  ＫＥＳＴＵ  ―  日本語テキスト検索ツール          Ver 0.91
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━

■はじめに
  このたびは kestu をダウンロードしていただき、ありがとうございます。
  本ソフトはフリーソフトです。ご自由にお使いください。

■動作環境
  ・日本語の表示ができる環境
  ・メモリ 16MB 以上を推奨

■インストール
  アーカイブを適当なフォルダ（例：C:\TOOLS\KESTU）に展開するだけです。
  レジストリは使用しません。アンインストールはフォルダごと削除してください。

■使い方
  検索したい文字列と、検索するフォルダを指定して[検索]ボタンを押します。
  該当した行が一覧表で表示されます。

■履歴
  1998年12月24日  Ver 0.90  初公開
  1999年 2月 3日  Ver 0.91  ソート機能を追加、予約語の表示を修正

■連絡先
  不具合の報告・ご要望は kestu@example.jp までお願いします。
EOF

# Half-width katakana (single bytes 0xA1-0xDF in Shift-JIS).
emit memo/old/hankaku.txt CP932 crlf <<'EOF'
ﾊﾝｶｸ ｶﾀｶﾅ ﾉ ﾃｽﾄ ﾌｧｲﾙ

ｹｽﾂ ﾃﾞ ｹﾝｻｸ ｽﾙ ﾄｷ ﾉ ﾃｽﾄﾃﾞｰﾀ ﾃﾞｽ｡
ｺﾉ ﾌｧｲﾙ ﾊ ｼﾌﾄJIS ﾃﾞ ﾎｿﾞﾝ ｻﾚﾃｲﾏｽ｡
｢ｷｭｳｼｷ ﾉ ﾃﾞﾝﾌﾞﾝ｣ ﾐﾀｲﾅ ﾌﾝｲｷ｡

ｺｳﾓｸ:
  ｼｮｳﾋﾝﾒｲ ･･･ ﾃﾞｨｽｸ ｸﾘｰﾅｰ
  ｶｶｸ     ･･･ 1,980ｴﾝ
  ﾊﾂﾊﾞｲ   ･･･ 2001ﾈﾝ (2001年)

全角と半角が混ざる行：検索 と ｹﾝｻｸ、日本語 と ﾆﾎﾝｺﾞ。
EOF

# ---------------------------------------------------------------------------
# haiku/: verse lists
# ---------------------------------------------------------------------------

emit haiku/haiku.txt UTF-8 lf <<'EOF'
自作俳句帳（その一）

春
  雪解けの　音を数えて　朝の道
  ふきのとう　土の匂いを　連れてくる

夏
  夕立や　傘を忘れし　帰り道
  風鈴の　ひとつ鳴りけり　昼寝覚め

秋
  月明かり　縁側に置く　湯のみかな
  落ち葉掃く　音だけ響く　寺の庭

冬
  白い息　ふたりの間に　ほどけゆく
  炬燵より　出られぬままに　日が暮れる

2022年、句会にて。検索しやすいように季節ごとに並べた。
このファイルは BOM のない UTF-8 で、日本語の文字が十分に含まれている。
kestu で「日本語」や「検索」を探すと、ここにも当たるはず。
EOF

emit haiku/haiku-bom.txt UTF-8-BOM crlf <<'EOF'
季語メモ（BOM付き UTF-8、改行は CR LF）

| 季節 | 季語             | 読み         |
|------|------------------|--------------|
| 春   | 朧月             | おぼろづき   |
| 春   | 蛙               | かわず       |
| 夏   | 蝉時雨           | せみしぐれ   |
| 夏   | 夕立             | ゆうだち     |
| 秋   | 名月             | めいげつ     |
| 秋   | 赤とんぼ         | あかとんぼ   |
| 冬   | 木枯らし         | こがらし     |
| 冬   | 初雪             | はつゆき     |

歳時記から日本語の季語を検索するときの覚え書き。
2018年版と2023年版で分類が少し違う。
EOF

emit haiku/kigo/fuyu-eucjp.txt EUC-JP-MS crlf <<'EOF'
冬の句（EUC-JP、改行は CR LF）

  寒月や　電線ひとつ　空を切る
  霜柱　踏んで登校　七時半
  大根を　干す軒先の　日の短さ
  年の瀬の　駅に急ぎ足　重なりぬ
  雪明かり　障子の向こう　誰か居る
  湯豆腐の　湯気の向こうに　父の顔
  初雪を　窓に数える　子の寝息
  北風に　背中を押され　坂の上
  冬木立　影の長さを　測りけり
  みかん剥く　指の黄色や　夜の長き

2020年12月、町内の句会に出したもの。
日本語の文字コード判定の確認用に、漢字と仮名を多めにしてある。
検索語の例：「雪」「霜」「年の瀬」。
EOF

# ---------------------------------------------------------------------------
# price/: price lists with years, circled digits, wave dash, 髙
# ---------------------------------------------------------------------------

# CP932-only characters: ①② (NEC row 13), ～ (FULLWIDTH TILDE 0x8160),
# 髙 (IBM extension 0xFBFC).  Also 0x5C trail bytes in 表 and 予.
emit price/kakaku-2019.csv CP932 crlf <<'EOF'
品番,品名,単価（円）,改定年,備考
A-001,ノート（Ａ４）,180,2019年,①通常品
A-002,ボールペン（黒）,120,2019年,①通常品
A-003,ソフトカバー手帳,850,2019年,②限定品 予約受付中
B-101,検索用インデックスカード,300,2018年,在庫僅少
B-102,日本語辞書（小型）,2400,2017年,髙橋書店扱い
C-201,表計算入門,1980,2019年,価格は税抜
C-202,kestu 解説書,2800,2019年,10～12月は送料無料
EOF

emit price/kakaku-2023.txt UTF-8 lf <<'EOF'
価格表（2023年4月改定、UTF-8・BOMなし）

① 文房具
   ノート（Ａ４）               200円  （2019年：180円）
   ボールペン（黒）             130円  （2019年：120円）
② 書籍
   日本語辞書（小型）          2,600円  髙橋書店
   kestu 解説書 第二版         3,000円
③ 備考
   送料は 10～12月 のみ無料。検索用インデックスカードは販売終了。
EOF

emit price/notes/nedan-jis.txt ISO-2022-JP crlf <<'EOF'
値上げのお知らせ（JIS、改行は CR LF）

2023年4月1日より、一部商品の価格を改定いたします。
対象商品は価格表をご覧ください。検索用インデックスカードは販売を終了しました。

お問い合わせ：kestu@example.jp
EOF

emit price/notes/memo-utf7.txt UTF-7 lf <<'EOF'
UTF-7 memo: 日本語のメモです。
2024年にメールで届いた古い形式の文書を再現したもの。
kestu で検索できるか確かめる。
EOF

# ---------------------------------------------------------------------------
# src/: plain ASCII and a Windows-style settings file
# ---------------------------------------------------------------------------

emit src/hello.c ASCII lf <<'EOF'
/* hello.c - tiny program used as an ASCII sample for kestu.
 *
 * Search for "kestu", "printf" or "return" to get hits here.
 * Backslashes and at-signs are real ASCII: "\n", user@example.com, a[i].
 */
#include <stdio.h>

static int count_lines(const char *s)
{
    int n = 0;
    for (; *s; ++s)
        if (*s == '\n')
            ++n;
    return n;
}

int main(void)
{
    const char *text = "kestu\nsample\n";
    int table[3] = {1, 2, 3};
    printf("lines: %d, first: %d\n", count_lines(text), table[0]);
    return 0;
}
EOF

emit src/NOTES.md ASCII lf <<'EOF'
# Notes on the sample tree

These files exist so that `kestu` has something small to search.

* Encodings: Shift-JIS, EUC-JP, ISO-2022-JP, UTF-7, UTF-8 with and without BOM.
* Try searching for `kestu`, a year such as `2019`, or a backslash `\`.
* Mixed line ends: some files use CR LF, others LF.

Last reviewed in 2024.
EOF

emit src/todo.txt ASCII crlf <<'EOF'
TODO (plain ASCII, CR LF line ends)

- [x] write the sample files
- [ ] check that kestu lists every hit in every encoding
- [ ] compare search speed against grep in bench/
- [ ] try paths like C:\work\kestu and mail like dev@example.org
EOF

emit src/win/settings.ini CP932 crlf <<'EOF'
; kestu の設定ファイル（シフトJIS、CR LF）
; 表示や検索の既定値を変更するときはこのファイルを編集してください。

[表示]
フォント=ＭＳ ゴシック
文字サイズ=10
一覧表の列=ファイル名,行番号,内容

[検索]
既定フォルダ=C:\Users\Public\Documents\日本語資料
サブフォルダも検索=1
大文字小文字を区別=0
最大件数=10000

[予備]
; 機能追加の予定：2025年に正規表現の置換を実装
ソート順=名前
EOF

# ---------------------------------------------------------------------------
# Checks: each file decodes back to valid UTF-8, ASCII files are ASCII,
# EUC-JP files avoid the bytes that would make them look like Shift-JIS,
# UTF-8 files are well-formed and carry enough non-ASCII bytes, and the
# Shift-JIS trail-byte traps are really present.
# ---------------------------------------------------------------------------
fail=0
bad() { echo "make-samples: $*" >&2; fail=1; }

for entry in "${made[@]}"; do
    IFS='|' read -r path enc eol <<<"$entry"
    [[ -f $path ]] || { bad "$path missing"; continue; }
    size=$(stat -c %s "$path")
    ((size < 4096)) || bad "$path is $size bytes (keep samples under 4 KB)"
    case $enc in
        ASCII) LC_ALL=C grep -q '[^[:print:][:space:]]' "$path" && bad "$path is not plain ASCII" ;;
        UTF-8-BOM) [[ $(head -c3 "$path" | od -An -tx1 | tr -d ' ') == efbbbf ]] || bad "$path lacks BOM"
                   iconv -f UTF-8 -t UTF-8 "$path" >/dev/null || bad "$path is not UTF-8" ;;
        UTF-8) iconv -f UTF-8 -t UTF-8 "$path" >/dev/null || bad "$path is not UTF-8"
               high=$(LC_ALL=C tr -d '\000-\177' < "$path" | wc -c)
               ((high >= 256)) || bad "$path has only $high non-ASCII bytes" ;;
        EUC-JP-MS) LC_ALL=C grep -q $'[\x7f-\x8d\x90-\xa0]' "$path" && bad "$path has bytes outside EUC-JP"
                   high=$(LC_ALL=C tr -d '\000-\177' < "$path" | wc -c)
                   ((high >= 256)) || bad "$path has only $high non-ASCII bytes" ;;
        *) iconv -f "$enc" -t UTF-8 "$path" >/dev/null || bad "$path does not decode as $enc" ;;
    esac
    if [[ $eol == crlf ]]; then
        [[ $(grep -c $'\r$' "$path") == $(wc -l < "$path") ]] || bad "$path: not all lines end in CR LF"
    else
        grep -q $'\r' "$path" && bad "$path: CR found in an LF file"
    fi
done
# Shift-JIS characters with trail bytes 0x5C, 0x40 and 0x5D in the meeting notes.
for pair in '\x95\x5c' '\x83\x5c' '\x94\x5c' '\x97\x5c' '\x8b\x40' '\x95\x5d' '\x8a\x7c'; do
    LC_ALL=C grep -qF "$(printf "%b" "$pair")" memo/2019-kaigi.txt || bad "memo/2019-kaigi.txt lacks byte pair $pair"
done
# Circled digit, wave dash and 髙 in the CP932 price list.
for pair in '\x87\x40' '\x81\x60' '\xfb\xfc'; do
    LC_ALL=C grep -qF "$(printf "%b" "$pair")" price/kakaku-2019.csv || bad "price/kakaku-2019.csv lacks byte pair $pair"
done
# Half-width katakana.
LC_ALL=C grep -q $'\xb9\xbd\xc2' memo/old/hankaku.txt || bad "memo/old/hankaku.txt lacks half-width katakana"

((fail == 0)) || exit 1
echo "make-samples: ${#made[@]} files ok"
