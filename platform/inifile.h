#pragma once

// INI file reading for the updater's product descriptor.
