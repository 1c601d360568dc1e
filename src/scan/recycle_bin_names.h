#pragma once
// Giving the files in a recycle bin back the names and folders they had before deletion.

namespace tundrel {

class AnsiCodePage;
class VolumeScanner;

// Over the deleted-files root: every recycled file that its recycle bin's INFO2 index or "$I"
// file names is copied, under its former name, into folders of its former path below the
// root ("C:", "Docs", ...), and the file in the recycle-bin folder is pruned. Files whose
// record is missing, unreadable or unusable keep their recycle-bin names where they are. INFO2's
// ANSI paths are read in `codePage`, the code page of the system that wrote them.
void ApplyRecycleBinNames(VolumeScanner& scanner, AnsiCodePage& codePage);

}  // namespace tundrel
