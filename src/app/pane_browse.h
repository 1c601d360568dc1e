#pragma once
// The results: a folder tree over the root folders of every volume scanned, the list of the
// chosen folder with the seven columns of a result row and check boxes, and the summary of
// what is checked. The third button exports the checked files; above the views, preview, find
// and save the results.

#include <QPointer>

#include "app/dialog_preview.h"
#include "app/wizard_pane.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace tundrel {
class VolumeScanner;
struct ScanNode;
}

namespace tundrel::app {

class CPaneBrowse : public WizardPane {
    Q_OBJECT
public:
    explicit CPaneBrowse(CMainWindow& wizard);

    StringId Prompt() const override { return StringId::PromptBrowse; }
    PaneButtons Buttons() const override;
    void OnShown() override { RebuildViews(); }
    void Back() override;
    void Third() override;

    // Builds both views again from the results, as after a change of the options.
    void RebuildViews();
    // Shows the check marks the nodes now carry, and the summary.
    void RefreshChecks();
    // The options changed while another pane was on show (an export may be reading the trees):
    // the views are built again when the pane comes back.
    void MarkViewsStale() { viewsStale_ = true; }
    // Coming back from the export: the views as they were, or built again when stale.
    void Return();
    // Opens the preview beside the results, or brings it forward; it follows the list's choice.
    void PreviewSelected();
    CDialogPreview* Preview() const { return preview_; }
    void FindFiles();
    // Saves the results to a file chosen in a file chooser, to be opened again without a scan.
    void SaveResults();
    // Opens the folders down to the node and selects it in the list.
    bool ShowNode(VolumeScanner& scanner, ScanNode& node);

    QTreeWidget& FolderTree() const { return *folders_; }
    QTreeWidget& FileList() const { return *files_; }
    QString SummaryText() const;

protected:
    // Leaving the results (for the export, or back to the start) closes the preview.
    void hideEvent(QHideEvent* event) override;

private:
    void ClosePreview();
    void FollowInPreview(QTreeWidgetItem* item);
    QTreeWidgetItem* AddNodeItem(QTreeWidgetItem* parent, VolumeScanner& scanner, ScanNode& node) const;
    void FillFolder(QTreeWidgetItem& item);
    void ShowFolderContents(QTreeWidgetItem* item);
    void CheckChanged(QTreeWidgetItem* item);

    QTreeWidget* folders_;
    QTreeWidget* files_;
    QLabel* count_;
    QLabel* size_;
    QPointer<CDialogPreview> preview_;
    bool updating_ = false;
    bool viewsStale_ = false;
};

}  // namespace tundrel::app
