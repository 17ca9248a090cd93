#include "windows/OptionsWindow1.h"

#include "engine/MoviePicks.h"
#include "engine/StillNames.h"
#include "framework/Application.h"
#include "windows/FieldColours.h"

#include <QShortcut>

namespace {

// Each list's entries, in the order of the engine's words for the option.
const char* const kPickCaptions[] = {"Nﾌﾚｰﾑごと (ﾒｲﾝ画面の間隔)", "N秒ごと", "N枚を範囲に均等に", "ｷｰﾌﾚｰﾑだけ",
                                     "ｼｰﾝごとに1枚"};
const char* const kExistsCaptions[] = {"上書きする", "飛ばす (途中から続ける)", "番号を付ける (name-1)"};
const char* const kManifestCaptions[] = {"作らない", "CSV (名前-manifest.csv)", "JSON (名前-manifest.json)"};
const char* const kStripCaptions[] = {"残す (EXIF, XMP, IPTC, ICC)", "消す"};
const char* const kDeinterlaceCaptions[] = {"そのまま", "解除する (bwdif)"};
const char* const kStoredSizeCaptions[] = {"正方形にする (再生と同じ)", "保存どおり"};
const char* const kSharpestCaptions[] = {"区切りの最初の1枚", "区切りで一番くっきりした1枚"};
const char* const kDedupCaptions[] = {"そのまま書く", "前と同じ絵は飛ばす"};
const char* const kSheetCaptions[] = {"作らない", "作る (静止画も書く)", "作る (一覧画像だけ)"};
const char* const kSpriteCaptions[] = {"作らない", "作る (WebVTT つき)"};

template <std::size_t N>
void Fill(fw::TComboBox* list, const char* const (&captions)[N])
{
    for (const char* caption : captions)
        list->addItem(QString::fromUtf8(caption));
}

} // namespace

TOptionsForm1::TOptionsForm1(QWidget* parent) : fw::TForm(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setupUi(this);
    SetDragByFreeSpot(true);
    LoadLayout();
    SetClientSize(330, 396);
    Fill(ComboBox1, kPickCaptions);
    Fill(ComboBox2, kExistsCaptions);
    Fill(ComboBox3, kManifestCaptions);
    Fill(ComboBox4, kStripCaptions);
    Fill(ComboBox5, kDeinterlaceCaptions);
    Fill(ComboBox6, kStoredSizeCaptions);
    Fill(ComboBox7, kSharpestCaptions);
    Fill(ComboBox8, kDedupCaptions);
    Fill(ComboBox9, kSheetCaptions);
    Fill(ComboBox10, kSpriteCaptions);
    for (QWidget* field :
         std::initializer_list<QWidget*>{ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6, ComboBox7,
                                         ComboBox8, ComboBox9, ComboBox10, Edit1, Edit2, Edit3, Edit4, SpinEdit1})
        ApplyFieldColours(field);
    connect(ComboBox9, &QComboBox::currentIndexChanged, this, [this] { Edit3->setEnabled(ComboBox9->ItemIndex() > 0); });
    connect(ComboBox10, &QComboBox::currentIndexChanged, this, [this] { Edit4->setEnabled(ComboBox10->ItemIndex() > 0); });
    connect(Edit2, &QLineEdit::textChanged, this, &TOptionsForm1::ShowExample);
    // Esc leaves as the cancel button does, Enter as OK.
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &TOptionsForm1::SSButton3Click);
    connect(new QShortcut(Qt::Key_Return, this), &QShortcut::activated, this, &TOptionsForm1::SSButton2Click);
    Show(conv::RunOptions());
}

void TOptionsForm1::SetExample(const QString& movie, int frame, double seconds, const QString& ext)
{
    m_movie = movie.isEmpty() ? QStringLiteral("clip.avi") : movie;
    m_frame = frame;
    m_seconds = seconds;
    m_ext = ext;
    ShowExample();
}

std::optional<conv::RunOptions> TOptionsForm1::Edit(const conv::RunOptions& options)
{
    Show(options);
    m_accepted = false;
    ShowModal();
    if (!m_accepted)
        return std::nullopt;
    return *Shown();
}

void TOptionsForm1::Show(const conv::RunOptions& o)
{
    ComboBox1->setItemIndex(conv::WordPosition(conv::kPickWays, o.pick));
    Edit1->setText(QString::fromStdString(o.every));
    SpinEdit1->setValue(o.count);
    Edit2->setText(QString::fromStdString(o.name));
    ComboBox2->setItemIndex(conv::WordPosition(conv::kExistingWays, o.exists));
    ComboBox3->setItemIndex(conv::WordPosition(conv::kManifestKinds, o.manifest));
    ComboBox4->setItemIndex(o.strip ? 1 : 0);
    ComboBox5->setItemIndex(o.deinterlace ? 1 : 0);
    ComboBox6->setItemIndex(o.storedSize ? 1 : 0);
    ComboBox7->setItemIndex(o.sharpest ? 1 : 0);
    ComboBox8->setItemIndex(o.dedup ? 1 : 0);
    ComboBox9->setItemIndex(conv::WordPosition(conv::kSheetWays, o.sheet));
    Edit3->setText(QString::fromStdString(o.sheetGrid));
    Edit3->setEnabled(o.sheet != conv::SheetWay::None);
    ComboBox10->setItemIndex(o.sprite ? 1 : 0);
    Edit4->setText(QString::fromStdString(o.spriteGrid));
    Edit4->setEnabled(o.sprite);
    ComboBox1Change();
    ShowExample();
}

media::Result<conv::RunOptions> TOptionsForm1::Shown() const
{
    conv::RunOptions o;
    o.pick = conv::WordAt(conv::kPickWays, ComboBox1->ItemIndex());
    o.every = Edit1->text().trimmed().toStdString();
    if (!conv::ParseDuration(o.every))
        return media::Fail(media::FailureKind::BadData, "間隔が時間として読めません (2s, 0.5, 1:30)");
    o.count = SpinEdit1->Value();
    o.name = Edit2->text().toStdString();
    if (const auto names = conv::StillNames::Parse(o.name); !names)
        return media::Fail(media::FailureKind::BadData, "ﾌｧｲﾙ名の型が読めません: " + names.Message());
    o.exists = conv::WordAt(conv::kExistingWays, ComboBox2->ItemIndex());
    o.manifest = conv::WordAt(conv::kManifestKinds, ComboBox3->ItemIndex());
    o.strip = ComboBox4->ItemIndex() == 1;
    o.deinterlace = ComboBox5->ItemIndex() == 1;
    o.storedSize = ComboBox6->ItemIndex() == 1;
    o.sharpest = ComboBox7->ItemIndex() == 1;
    o.dedup = ComboBox8->ItemIndex() == 1;
    o.sheet = conv::WordAt(conv::kSheetWays, ComboBox9->ItemIndex());
    o.sheetGrid = Edit3->text().trimmed().toStdString();
    if (!conv::ParseGrid(o.sheetGrid, conv::kMostSheetSide))
        return media::Fail(media::FailureKind::BadData, "一覧画像の枚数が 横x縦 (1〜20) として読めません");
    o.sprite = ComboBox10->ItemIndex() == 1;
    o.spriteGrid = Edit4->text().trimmed().toStdString();
    if (!conv::ParseGrid(o.spriteGrid, conv::kMostSpriteSide))
        return media::Fail(media::FailureKind::BadData, "ｻﾑﾈｲﾙの枚数が 横x縦 (1〜50) として読めません");
    return o;
}

void TOptionsForm1::FormShow()
{
    ShowExample();
    ComboBox1->setFocus();
}

// Only the value the chosen way of picking takes can be typed, and the sharpest of a
// stride only chosen where there are strides.
void TOptionsForm1::ComboBox1Change()
{
    const conv::PickWay way = conv::WordAt(conv::kPickWays, ComboBox1->ItemIndex());
    Edit1->setEnabled(way == conv::PickWay::Every);
    SpinEdit1->setEnabled(way == conv::PickWay::Count);
    ComboBox7->setEnabled(way != conv::PickWay::Keyframes && way != conv::PickWay::Scenes);
}

// The first still's name as the template gives it, or why there is none.
void TOptionsForm1::ShowExample()
{
    const auto names = conv::StillNames::Parse(Edit2->text().toStdString());
    if (!names) {
        Label1->setFontColor(clRed);
        Label1->setCaption(QStringLiteral("型が読めません: ") + QString::fromStdString(names.Message()));
        return;
    }
    Label1->setFontColor(clNavy);
    Label1->setCaption(QString::fromStdString(names->Name(m_movie.toStdString(), m_frame, m_seconds, 1)) + m_ext);
}

void TOptionsForm1::SSButton1Click() { SSButton3Click(); }

void TOptionsForm1::SSButton2Click()
{
    if (const auto shown = Shown(); !shown) {
        fw::MessageBeep();
        Label1->setFontColor(clRed);
        Label1->setCaption(QString::fromStdString(shown.Message()));
        return;
    }
    m_accepted = true;
    close();
}

void TOptionsForm1::SSButton3Click()
{
    m_accepted = false;
    close();
}
