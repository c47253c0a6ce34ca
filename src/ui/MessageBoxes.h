#pragma once

// Shows the core's messages as standard message boxes titled "Horodex".
void InstallMessageBoxPresenter();
