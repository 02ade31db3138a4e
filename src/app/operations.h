#pragma once
// Every operation the program offers at its dispatch point. Each library
// that brings transfers registers them here, under the names the screens and
// the command script use.
class TDispatch;

void registerOperations(TDispatch &dispatch);
