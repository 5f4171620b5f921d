// Which typed characters an edit with a keyboard filter takes.
#pragma once

enum TKeyboardFilter : int { kfNone, kfNumeric, kfAlphabetic, kfAll };

// Key is the character typed (control characters included); Decimal the
// locale's decimal separator.
bool KeyAllowed(TKeyboardFilter Filter, char Key, char Decimal);
