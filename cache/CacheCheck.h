#pragma once
// The checks made right after a cache is opened, and their repairs, shared by the
// editor and the command-line tool.
#include "cache/TextureDatabase.h"

#include <string>
#include <vector>

struct CacheProblem {
    enum Kind { NoCaches, NoIndex, BadToc, BadTmb };
    Kind kind;
    int cache;          // -1 for NoCaches and NoIndex
    std::string prompt; // the question put to the user (or the message, for NoCaches)
};

// A path naming a DAT or TOC file ("name.dxt.toc") stands for the index beside it
// ("name.txt"); any other path is returned unchanged.
std::string IndexPathFor(const std::string& path);

// What is wrong with an opened cache, in the order the questions are asked.
std::vector<CacheProblem> CheckCache(CTextureDatabase& db);

// Repairs one problem; the database is reloaded when the index was rebuilt.
// Returns false when the repair could not be made.
bool FixProblem(CTextureDatabase& db, const CacheProblem& problem);
