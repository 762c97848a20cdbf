#pragma once

#include "SkinManifest.h"

#include <QImage>

// Draws one bitmap of the skin from its manifest entry. Recipes:
//
//   Button faces (state Normal, Over or Click):
//     tool glyph=G        panel tool button: raised face, pictogram G
//     bar glyph=G         film/photograph bar button: bare pictogram, face on hover/press
//     caption glyph=G [danger=1]  window caption button (danger: red on hover)
//     tab                 mode tab (caption drawn by the button)
//     title arrow=down|right      tool group title with its fold arrow
//     side dir=right|left tall side tab that opens or closes the tool panel
//     scene effect=E | mask=M [flat=1]  a small picture with effect E or mask M applied
//     recdot              the recording indicator's record button
//     popclose            the tool windows' close cross
//     popup               light dialog button (black caption)
//     width px=N          line-width choice showing an N-pixel line
//     swatch style=line|fill|none [color=#rrggbb]   colour choice
//
//   Single images:
//     canvas, ctlbar, groove dir=h|v, knob, track, handle color=C, strip, popbg,
//     panel part=top|mid|bot, frame piece=tl|tm|tr|ml|mm|mr|bl|bm|br,
//     notice glyph=G, osd glyph=G, clock, brightness, marker color=C
class SkinPainter {
public:
    // Renders the entry at its size; a null image (and *error set) for an unknown recipe
    // or pictogram.
    static QImage render(const SkinEntry &entry, QString *error);
};
