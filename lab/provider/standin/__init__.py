"""The provider stand-in of the test lab: a loopback web server that plays the print
provider's service page, upload endpoint, pictures and update package."""
