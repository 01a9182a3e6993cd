// How a conversion ended, or the step of it that gave up: the stream's answer, the way back's,
// and in bin2src what became of the destination before and after the text. One type, so that a
// run carries one answer from step to step and reports it in one place. Portable: no windows.h
// here.
#pragma once

enum class Outcome {
    Done,        // the step did all it was asked: the text written, the destination made or named
    EmptySource, // the window's text: the first read gave no bytes, and nothing was written
    Malformed,   // the way back: the text is not one that bin2src writes
    ReadFailed,  // the reader failed; the writer may already have had part of the text
    WriteFailed, // the writer failed; nothing more was read or written
    // The destination, in bin2src's system layer:
    Exists,       // a file has the destination's name, and may not be replaced
    IsSource,     // the destination is the source itself, under whatever name
    CreateFailed, // the destination, or its temporary file, could not be created
    NotKept,      // the replaced file's owner, attributes or permissions could not be kept
    RenameFailed, // the finished text could not take the destination's name
};
