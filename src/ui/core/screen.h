// The four screens of the setup window, in the order a run passes them.
#pragma once

enum class Screen : int { Welcome, Working, Done, Failed };
