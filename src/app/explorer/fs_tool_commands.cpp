// The main window's commands that open the smaller forms: defining a partition and
// testing a file system from the storage view; searching the current folder, evaluating
// the selection's size and showing an object's properties from the browse view.

#include "app/explorer/browse_view.h"
#include "app/explorer/def_part_form.h"
#include "app/explorer/eval_size_form.h"
#include "app/explorer/fs_test_form.h"
#include "app/explorer/obj_props_ui.h"
#include "app/explorer/search_forms.h"
#include "app/explorer/storage_view.h"
#include "app/explorer/zelvane_window.h"
#include "gui/window_maker.h"
#include "io/storage_list.h"
#include "part/storage_tree_builder.h"

using namespace explorer;

namespace {

// The end texts of the search: done, stopped, too many.
int SearchEndText(unsigned end) {
    switch (static_cast<eSearchEnd>(end)) {
    case eSearchEnd::Aborted:
        return 153;
    case eSearchEnd::TooMany:
        return 154;
    default:
        return 152;
    }
}

} // namespace

void cZelvaneForm::DefinePartition() {
    cWindowMaker* maker = WindowMaker();
    cQORNDriveInstance* entry = storageView_->SelectedEntry();
    auto* built = entry ? dynamic_cast<cPartStorageTree*>(entry->Tree()) : nullptr;
    if (!maker || !built) {
        return;
    }
    cDefPartForm form(list_, built->Tree());
    if (maker->RunModal(form, cDefPartForm::kWidth, cDefPartForm::kHeight, this, false) == 1) {
        storageView_->Refill(list_);
        storageView_->SelectNode(entry, form.Defined());
    }
}

void cZelvaneForm::TestFileSystem() {
    cWindowMaker* maker = WindowMaker();
    cPartTreeItem* partition = storageView_->SelectedPartition();
    cVFS* fs = partition ? MountedFileSystem(*partition) : nullptr;
    if (!maker || !fs) {
        return;
    }
    cFsTestForm form(*fs);
    maker->RunModal(form, cFsTestForm::kWidth, cFsTestForm::kHeight, this, false);
}

void cZelvaneForm::SearchInFolder() {
    cWindowMaker* maker = WindowMaker();
    if (!maker || !fs_ || IsRunning()) {
        return;
    }
    const std::u16string folder = browseView_->FolderPath();
    const std::unique_ptr<cFSObject> start = fs_->FindByPath(folder, fs_->GetRootId());
    if (!start || start->Kind() != fskind::kFolder) {
        return;
    }
    cSearchParamsForm params(folder);
    if (maker->RunModal(params, cSearchParamsForm::kWidth, cSearchParamsForm::kHeight, this,
                        false) != 1) {
        return;
    }
    cSearchHits hits;
    cFileSearchForm search(*fs_, *start, *params.Params(), hits);
    const int end =
        maker->RunModal(search, cFileSearchForm::kWidth, cFileSearchForm::kHeight, this, false);
    cFolderRows rows;
    for (const auto& hit : hits.Take()) {
        rows.Offer(*hit);
    }
    rows.Finish();
    browseView_->ShowSearchHits(std::move(rows), T(SearchEndText(unsigned(std::max(end, 0)))));
}

void cZelvaneForm::EvaluateSelection() {
    cWindowMaker* maker = WindowMaker();
    if (!maker || !fs_ || IsRunning()) {
        return;
    }
    std::vector<std::unique_ptr<cFSObject>> objects;
    for (std::size_t index : browseView_->SelectedRows()) {
        objects.push_back(browseView_->Rows().Row(index).entry->Clone());
    }
    if (objects.empty()) {
        return;
    }
    cEvalDataSizeForm form(*fs_, std::move(objects));
    maker->RunModal(form, cEvalDataSizeForm::kWidth, cEvalDataSizeForm::kHeight, this, false);
}

void cZelvaneForm::ShowObjectProperties() {
    cWindowMaker* maker = WindowMaker();
    const cFSObject* object = browseView_->FocusedObject();
    if (!maker || !object) {
        return;
    }
    cObjPropsUI form(*object);
    maker->RunModal(form, cObjPropsUI::kWidth, cObjPropsUI::kHeight, this, false);
}
