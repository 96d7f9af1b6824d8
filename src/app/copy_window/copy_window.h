#pragma once
// Copying objects of a file system out to the local disk, with the copy window: the
// explorer's copy commands call CopyObjects without a target (the user picks one with a
// chooser), quick view calls it with the full path of the temporary copy.

#include "vfs/fs_object.h"

#include <memory>
#include <string>
#include <vector>

class cCustomForm;

enum class eCopyOutcome {
    Copied,     // every object was copied
    Cancelled,  // the user cancelled the chooser or stopped the copy: nothing to say
    Incomplete, // the run ended with errors, which the copy window has shown
    Failed,     // the copy could not start; the caller tells the user
};

// Without a target: an empty list does nothing (Cancelled); one file is copied to a path
// from the save chooser, anything else into a folder from the folder chooser. With a
// target (a full file path for a single file, else a folder): a file of at most 64 KiB is
// copied at once on the calling thread, anything else through the copy window.
// The copy window runs modally over owner.
eCopyOutcome CopyObjects(cCustomForm& owner, std::vector<std::unique_ptr<cFSObject>> objects,
                         std::u16string target = {});

// Quick view's copy of one file into folder under its safe name, as CopyObjects copies it;
// written is the path of the copy. A name the joiner refuses fails without writing.
eCopyOutcome CopyForQuickView(cCustomForm& owner, const cFSObject& file, std::u16string_view folder,
                              std::u16string& written);
