#include "input/FileRole.h"

const char* FileRoleText(FileRole role)
{
    switch (role) {
    case FileRole::Discrimination:
        return "discrimination";
    case FileRole::Difficulty:
        return "difficulty";
    case FileRole::Thresholds:
        return "thresholds";
    case FileRole::Steps:
        return "steps";
    case FileRole::CIndices:
        return "C indices";
    case FileRole::Scores:
        return "scores";
    case FileRole::Nodes:
        return "latent distribution";
    case FileRole::Estimates:
        return "ability estimates";
    }
    return "input";
}
