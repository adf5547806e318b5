#include "services/SongLibraryScanner.h"
