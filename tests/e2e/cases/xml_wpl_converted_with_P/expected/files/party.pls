[playlist]
numberofentries=2
file1=..\Music\Anna Berg\Northern Shore\02 Salt Wind.mp3
file2=..\Music\Copper Kettles\City Lines\01 Morning Tram.mp3
