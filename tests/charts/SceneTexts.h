#pragma once

#include <string>

#include "charts/ChartScene.h"

// The first text of scene that says words, or null.
inline const ChartScene::Text* textSaying(const ChartScene& scene, const std::string& words)
{
    for (const ChartScene::Text& text : scene.texts)
        if (text.text == words)
            return &text;
    return nullptr;
}
