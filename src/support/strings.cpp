#include "support/strings.h"

#include <algorithm>
#include <array>
#include <utility>

#include "support/text.h"

namespace tundrel {
namespace {

using S = StringId;

constexpr std::pair<StringId, std::string_view> kTexts[] = {
    {S::RootDirectory, " ルートディレクトリ"},
    {S::LostFiles, "失ったファイル"},
    {S::DeletedFiles, "削除したファイル"},
    {S::RecentlyDeletedFiles, "最近削除したファイル"},
    {S::ScannedFiles, "スキャンしたファイル"},
    {S::HiddenSystemFiles, "隠れたシステムファイル"},
    {S::FileTypes, "ファイルタイプ"},

    {S::ScanningLostDirectories, "失ったディレクトリをスキャンしています。"},
    {S::ScanningRootDirectory, "ルートディレクトリをスキャンしています。。。"},
    {S::PreparingScan, "スキャンの準備中"},
    {S::CheckingFileState, "ファイルの状態を検査しています。。。"},
    {S::RecoveringCheckDiskFiles, "CHKDISK損傷のファイルを復元しています。。。"},
    {S::ScanningLostFiles, "失ったファイルをスキャンしています。。。"},
    {S::ScanRemainingArea, "残りの領域をスキャン"},

    {S::ModeDeleted, "削除ファイルの復元"},
    {S::ModeFormatted, "フォーマットしたディスクの復元"},
    {S::ModeLostPartition, "消えたパーティションの復元"},
    {S::ModeFullScan, "フルスキャン"},
    {S::SelectTarget, "回復したいパーティションまたはハードディスクドライブを選択してください！"},

    {S::TypeWord, "WORDファイル"},
    {S::TypeExcel, "Excle ファイル"},
    {S::TypePowerPoint, "PowerPoint ファイル"},
    {S::TypeVisio, "Visio VSDファイル"},
    {S::TypeOffice2007, "Office2007/2010のファイル形式（*.docx/*.xlsx/*.pptx）"},
    {S::TypeWav, "WAVオーディオファイル"},
    {S::TypeMp3, "MP3オーディオファイル"},
    {S::TypeAvi, "AVIビデオファイル"},
    {S::TypeMpeg, "MPG/MPEGビデオファイル"},
    {S::Type3gp, "3GPビデオファイル"},
    {S::TypeRmvb, "RM/RMVBビデオファイル"},
    {S::TypeMp4, "MP4ビデオファイル"},
    {S::TypeMov, "MOVビデオファイル"},
    {S::TypeFlv, "FLVビデオファイル"},
    {S::TypeSwf, "SWFファイル"},
    {S::TypeJpeg, "JJPG/JPEGファイル"},
    {S::TypePdf, "Adobe PDF ファイル"},
    {S::TypeBmp, "BMPファイル"},
    {S::TypeZip, "ZIP圧縮ファイル"},
    {S::TypeRar, "RAR圧縮ファイル"},
    {S::TypeCdr, "CorelDraw CDRファイル"},
    {S::TypeCr2, "CR2画像ファイル"},
    {S::TypeNef, "NEF画像ファイル"},
    {S::TypeOrf, "ORF画像ファイル"},
    {S::TypePng, "PNG画像ファイル"},
    {S::FileTypeHeading, "ファイルタイプ"},

    {S::AskStopExport, "データのエクスポートを中止しますか？"},
    {S::ExportToSourceRefused, "ソースディスク [%s] にエクスポートすることはできません。\r\n別のディスクを選択してください。"},
    {S::DestinationNotWritable, "[%s]書き込み権限がありません！"},
    {S::ExportSelectionSummary, "フォルダー %d 個、ファイル %d 個、サイズ %s"},
    {S::ExportOverallProgress, "全体の進行状況"},
    {S::FolderCreateFailed, "フォルダの作成に失敗しました.\r\n%s\r\n"},
    {S::FileExportError, "ファイルエラーをエクスポートしま.\r\n%s\r\n%s"},
    {S::FileCreateFailed, "ファイルの作成に失敗しました!\r\n%s"},
    {S::SavingFile, "保存しています： [%s] ..."},
    {S::ExportedSoFar, "%dファイル、%sの容量を保存しました"},
    {S::FileRenamed, "ファイル名【%s】を変更します【%s】"},
    {S::ExportDestination, "保存先[%s]"},
    {S::ExportSpeed, "スピード約%s/秒、%s/時。"},
    {S::FileRecovered, "ファイルの回復は、[%s][%s]完成させる"},
    {S::ExportStopped, "データのエクスポートを中止します"},
    {S::SizesStillComputing, "ファイルサイズが計算されて、.\r\n後で回収してからもう一度お試しください."},
    {S::DestinationLacksSpace, "復元データは %sあります。\r\n%sディスクの空きが不足しています。このディスクに保存しますか？"},
    {S::FatDestinationBigFiles,
     "選択したディスク【%s】はFAT32パーティションで、\r\n以下のファイルは4GBを超えているため保存することができません。\r\n“OK”ボタンをクリックすると作業を続行します。\r\n“キャンセル”ボタンをクリックするとNTFSタイプのパーティションを選んでデータを保存します。"},
    {S::AskStopAfterWriteError, "ファイル[%s]をエクスポート中にエラーがありました：\r\n%s\r\nエクスポートを停止しますか？"},
    {S::DestinationFull, "保存先のディスクがいっぱいになりました。\r\n作業を続ける場合は、別のディスクを選んで下さい。"},
    {S::ExportComplete,
     "選んだファイル／フォルダーの復元は完了しました。ファイルを開いてチェックして下さい。続けて別のファイルを復元する場合は、“戻る”ボタンをクリックします。"},
    {S::AskSameDiskOtherVolume,
     "ソースディスク【%s】と復元データの保存先【%s】は同じハードディスクの違うパーティションの場合は、そのパーティションにあるデータは復元できなくなる恐れがあります。\r\n復元を停止するには”いいえ”ボタンをクリックしてください。"},
    {S::AskSameDisk,
     "ソースディスク【%s】と保存先【%s】は同じディスクにあります。\r\n保存するデータがまだ復元していないデータを上書きする恐れがあります。このまま保存しますか？"},
    {S::SameDiskRefused,
     "ソースディスクとは別のハードディスクに復元してください。\r\nソースディスク【%s】と保存先【%s】は同じのディスクになっています。\r\nより安全にデータ復元を行うために別のハードディスク、例えば、もう一枚外付けディスクを増設し、データを保存してください。\r\n不明なところがあったら、弊社のサーポートまでお問い合わせください。"},

    {S::InformationCaption, "情報にヒントを与えます"},
    {S::FileFormatError, "ファイルフォーマットに誤りがあります"},
    {S::CannotOpenSource, "ソースディスク【%s】が開けません。"},

    {S::ReconnectCaption, "ディスクの読み取りに失敗しました"},
    {S::ReconnectRetry, "再試行"},
    {S::ReconnectCancel, "取り消し"},
    {S::ReconnectHideWindow, "ウィンドウを非表示にする"},
    {S::ReconnectVolumeMessage,
     "エラー番号：%u。\r\nエラーメーセッジ：【%s】、コンピュータの管理にソースディスク【%s】のドライブ名が正常に表示されているか確認してください。\r\nドライブ名が正常に表示されている場合は、もう一度開いてください。"},
    {S::ReconnectDiskMessage,
     "エラー番号：%u。\r\nエラーメーセッジ：【%s】、コンピュータの管理のディスクの管理にソースディスク【%s】が表示されているか確認してください。\r\n表示されていない場合は、ディスクを接続し直してから、もう一度開いてください。"},
    {S::ReconnectDifferentDisk,
     "ソースディスク【%s】のサイズが変わりました。\r\nスキャン時のサイズ：%s、現在のサイズ：%s。\r\nソースディスクが変更されていないか確認してください。"},
    {S::OptionPromptReconnect, "ソースディスクが見つからない場合、再試行のメッセージを表示する"},
    {S::OptionMarkRecoverable, "復元対象のファイルには'回復するファイル'と表示されます"},
    {S::OptionShowMetafiles, "システム関係のメタファイルを表示する"},
    {S::OptionFullScanFat, "FAT/FAT32ファイル・システムをスキャンします"},
    {S::OptionFullScanNtfs, "NTFSファイル・システムをスキャンします"},
    {S::OptionFullScanExFat, "exFATファイル・システムをスキャンします"},
    {S::OptionCarveInDeletedMode, "Scan lost file by file type on 'Recover Deleted Files' mode (Slowly)"},
    {S::ProgressTotalSize, "合計のサイズ： %s"},
    {S::ProgressItemCount, "ファイル／フォルダーの数： %u"},
    {S::ProgressTitle, "終了したタスク: %d/%d 。  ターゲット・ディスク：[%s]"},
    {S::ProgressTimes, "スキャン終了までの予想時間： かかった時間 %s， 残り時間 %s"},
    {S::AskStopScan, "スキャンを停止しますか？"},
    {S::RefreshingTree, "ディレクトリのツリー表示を最新の状態にします。。。"},
    {S::NothingFound, "スキャンしでもテータはありません"},
    {S::AskExitWhileScanning, "スキャンしています。終了しますか？"},
    {S::AskExitUnsaved, "スキャンした結果をまだ保存していません。終了しますか？"},
    {S::AskExit, "本当に終了しますか？"},
    {S::DiskNumber, "ディスク%d"},
    {S::CreationTimeNotKept, "このシステムではファイルの作成日時を設定できません。更新日時とアクセス日時だけを復元します。"},
    {S::SourceReadFailed, "ソースディスクから読み取れなかった部分はゼロで埋めました"},
    {S::FileDataNotLocated, "ファイルのデータがディスク上のどこにあるか分かりません"},
    {S::SizeBeyondVolumeWritten, "記録されたファイルサイズがボリュームより大きいため、見つかったデータだけを書き込みました：[%s][%s]"},
    {S::FileExistsQuestion, "ファイル【%s】は既に存在します。"},
    {S::CollisionOverwrite, "上書き"},
    {S::CollisionRename, "名前を変更"},
    {S::CollisionSkip, "スキップ"},
    {S::CollisionStop, "中止"},
    {S::CollisionApplyToRest, "以降もすべて同じ処理をする"},
    {S::CollisionNewName, "新しい名前"},
    {S::AnswerYes, "はい"},
    {S::AnswerNo, "いいえ"},
    {S::AnswerOk, "OK"},
    {S::AnswerCancel, "キャンセル"},
    {S::DestinationNotAFolder, "[%s]はフォルダではありません！"},  // "[%s] is not a folder!"
};

}  // namespace

std::string_view Text(StringId id) {
    const auto* found = std::find_if(std::begin(kTexts), std::end(kTexts),
                                     [id](const auto& entry) { return entry.first == id; });
    return found == std::end(kTexts) ? std::string_view{} : found->second;
}

std::u16string Text16(StringId id) { return ToUtf16(Text(id)); }

}  // namespace tundrel
