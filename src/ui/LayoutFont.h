#pragma once

#include <QFont>

class QWidget;

// The 8-point interface font the twips layouts were made for: the desktop's font at that size.
QFont LayoutFont();
// Sets it on one window.
void UseLayoutFont(QWidget* window);
// The same for every window of the program.
void UseLayoutFontEverywhere();

// How much wider and taller the layout font is than the dialog font the layouts were drawn
// with, never below 1: the factor that keeps every caption in the room it was given.
double LayoutFontScale();
