[playlist]
