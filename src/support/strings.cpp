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
};

}  // namespace

std::string_view Text(StringId id) {
    const auto* found = std::find_if(std::begin(kTexts), std::end(kTexts),
                                     [id](const auto& entry) { return entry.first == id; });
    return found == std::end(kTexts) ? std::string_view{} : found->second;
}

std::u16string Text16(StringId id) { return ToUtf16(Text(id)); }

}  // namespace tundrel
