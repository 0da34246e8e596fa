#pragma once

// Creation handler of the main window: reads "jpg.xml" from the user's desktop folder into
// jpgLines, one text per "\r\n"-separated line (none for a missing or empty file); main thread.
void LoadJpgList();
