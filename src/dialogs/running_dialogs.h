#pragma once

// Answers Cancel to every pop-up menu and modal dialog on screen, innermost
// first, as Escape would; returns how many there were. Each dialog's caller
// goes on (with Cancel) once control is back in the loop the dialog ran, so
// whatever that caller uses must still exist then.
int CancelRunningDialogs();
