#pragma once
// Static texts whose letters fit.
//
// A static's row in a template is one line of the template font (8 dialog
// units), but the window then gives its controls a font of its own, whose
// letters can reach lower than that row: NanumGothicCoding's Latin
// descenders ("p", "y", "g", parentheses) hang below its own line. Such a
// static grows downward until its text's letters fit, as far as the space
// below it is free of other controls (group box frames aside).

class CDialog;

// Fits the dialog's static texts to their texts and fonts. Run once the
// dialog's initialisation has set the texts and fonts.
void FitStaticTexts(CDialog* pDialog);
