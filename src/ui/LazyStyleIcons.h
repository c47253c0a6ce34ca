#pragma once

// Makes the style's icons of the overflow buttons load when they are first drawn, not when a
// button asks for them: every menu bar asks for its overflow button's icon when it is made, which
// starts the icon loader and the image plugins before the first paint, for a button that a window
// whose menus fit never shows. Drawn, they are the style's own. Call once, after QApplication.
void UseLazyStyleIcons();
