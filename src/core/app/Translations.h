#pragma once

// Loads the shipped translation of Sardoxa's texts, and Qt's own, for the user's languages.
void installTranslations();
