#include "book/JobScratch.hpp"

#include "book/UnpackedTree.hpp"
#include "platform/FileSystem.hpp"

JobScratch::~JobScratch() {
    RemoveArchiveName();
    if (!unpackFolder_.empty()) {
        RemoveTree(unpackFolder_);
    }
    if (!partialFolder_.empty()) {
        RemoveTree(partialFolder_);
    }
}

void JobScratch::RemoveArchiveName() {
    if (!archiveName_.empty()) {
        platform::RemoveFile(archiveName_);
        archiveName_.clear();
    }
}
