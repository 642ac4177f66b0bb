#include "app/Application.h"

int main(int argc, char* argv[])
{
    return tamsenor::RunApplication(argc, argv);
}
